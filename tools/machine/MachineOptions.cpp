// Option parsing for kelvantori-machine.
#include "machine/MachineOptions.h"

#include <charconv>
#include <cstdint>
#include <functional>
#include <map>
#include <string_view>
#include <utility>

namespace kelvantori::machine {

namespace {

std::optional<long long> ParseCount(std::string_view text) {
    long long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 0)
        return std::nullopt;
    return value;
}

std::optional<double> ParseRate(std::string_view text) {
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || !(value >= 0))
        return std::nullopt;
    return value;
}

struct Parser {
    MachineOptions options;
    bool highGiven = false;
    bool lowGiven = false;
    bool cpsGiven = false;
};

using Handler = std::function<bool(Parser&, std::string_view)>;

const std::map<std::string, Handler, std::less<>>& ValueOptions() {
    static const std::map<std::string, Handler, std::less<>> table{
        {"--code",
         [](Parser& p, std::string_view v) {
             const auto code = ParseMachineCode(v);
             if (code)
                 p.options.config.code = *code;
             return code.has_value();
         }},
        {"--start",
         [](Parser& p, std::string_view v) {
             if (v == "dc1") {
                 p.options.config.start = StartSignal::Dc1;
             } else if (v == "percent") {
                 p.options.config.start = StartSignal::Percent;
             } else if (v == "none") {
                 p.options.config.start = StartSignal::None;
             } else {
                 return false;
             }
             return true;
         }},
        {"--start-repeat",
         [](Parser& p, std::string_view v) {
             const auto ms = ParseCount(v);
             if (ms)
                 p.options.config.startRepeat = std::chrono::milliseconds(*ms);
             return ms.has_value();
         }},
        {"--buffer",
         [](Parser& p, std::string_view v) {
             const auto n = ParseCount(v);
             if (n)
                 p.options.config.flow.capacity = static_cast<std::size_t>(*n);
             return n.has_value();
         }},
        {"--high",
         [](Parser& p, std::string_view v) {
             const auto n = ParseCount(v);
             if (n)
                 p.options.config.flow.high = static_cast<std::size_t>(*n);
             p.highGiven = true;
             return n.has_value();
         }},
        {"--low",
         [](Parser& p, std::string_view v) {
             const auto n = ParseCount(v);
             if (n)
                 p.options.config.flow.low = static_cast<std::size_t>(*n);
             p.lowGiven = true;
             return n.has_value();
         }},
        {"--drain",
         [](Parser& p, std::string_view v) {
             const auto r = ParseRate(v);
             if (r)
                 p.options.config.flow.drainCps = *r;
             return r.has_value();
         }},
        {"--dc3",
         [](Parser& p, std::string_view v) {
             if (v == "93" || v == "0x93") {
                 p.options.config.dc3Byte = 0x93;
             } else if (v == "13" || v == "0x13") {
                 p.options.config.dc3Byte = 0x13;
             } else {
                 return false;
             }
             return true;
         }},
        {"--baud",
         [](Parser& p, std::string_view v) {
             const auto n = ParseCount(v);
             if (n && *n <= 10'000'000)
                 p.options.baud = static_cast<int>(*n);
             return n.has_value() && *n <= 10'000'000;
         }},
        {"--format",
         [](Parser& p, std::string_view v) {
             const auto f = ParseLineFormat(v);
             if (f)
                 p.options.format = *f;
             return f.has_value();
         }},
        {"--store",
         [](Parser& p, std::string_view v) {
             p.options.storeDir = std::string(v);
             return !v.empty();
         }},
        {"--raw",
         [](Parser& p, std::string_view v) {
             p.options.rawFile = std::string(v);
             return !v.empty();
         }},
        {"--punch",
         [](Parser& p, std::string_view v) {
             p.options.punchFile = std::string(v);
             p.options.config.punchOnRequest = false;
             return !v.empty();
         }},
        {"--punch-on-request",
         [](Parser& p, std::string_view v) {
             p.options.punchFile = std::string(v);
             p.options.config.punchOnRequest = true;
             return !v.empty();
         }},
        {"--leader",
         [](Parser& p, std::string_view v) {
             const auto n = ParseCount(v);
             if (n && *n <= 100'000)
                 p.options.config.punch.leader.count = static_cast<std::size_t>(*n);
             return n.has_value() && *n <= 100'000;
         }},
        {"--leader-char",
         [](Parser& p, std::string_view v) {
             const auto leader = ParseLeaderChar(v);
             if (leader) {
                 p.options.config.punch.leader.kind = leader->kind;
                 p.options.config.punch.leader.byte = leader->byte;
             }
             return leader.has_value();
         }},
        {"--cps",
         [](Parser& p, std::string_view v) {
             const auto r = ParseRate(v);
             if (r)
                 p.options.config.punchCps = *r;
             p.cpsGiven = true;
             return r.has_value();
         }},
        {"--delay",
         [](Parser& p, std::string_view v) {
             const auto ms = ParseCount(v);
             if (ms)
                 p.options.config.punchDelay = std::chrono::milliseconds(*ms);
             return ms.has_value();
         }},
        {"--link",
         [](Parser& p, std::string_view v) {
             p.options.linkPath = std::string(v);
             return !v.empty();
         }},
        {"--summary",
         [](Parser& p, std::string_view v) {
             p.options.summaryFile = std::string(v);
             return !v.empty();
         }},
        {"--exit-after-idle",
         [](Parser& p, std::string_view v) {
             const auto ms = ParseCount(v);
             if (ms)
                 p.options.config.exitAfterIdle = std::chrono::milliseconds(*ms);
             return ms.has_value();
         }},
    };
    return table;
}

const std::map<std::string, std::function<void(Parser&)>, std::less<>>& FlagOptions() {
    static const std::map<std::string, std::function<void(Parser&)>, std::less<>> table{
        {"--help", [](Parser& p) { p.options.help = true; }},
        {"-h", [](Parser& p) { p.options.help = true; }},
        {"--no-percent", [](Parser& p) { p.options.config.punch.percentFraming = false; }},
        {"--dc4", [](Parser& p) { p.options.config.punch.dc4 = true; }},
        {"--punch-after-dc1", [](Parser& p) { p.options.config.punchTrigger = PunchTrigger::Dc1; }},
        {"--once", [](Parser& p) { p.options.config.once = true; }},
        {"--verbose", [](Parser& p) { p.options.verbose = true; }},
    };
    return table;
}

OptionsResult Fail(std::string message) {
    return OptionsResult{std::nullopt, std::move(message)};
}

}  // namespace

OptionsResult ParseMachineOptions(const std::vector<std::string>& args) {
    Parser parser;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        std::string name = arg;
        std::optional<std::string> value;
        if (const auto eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
        }
        if (const auto flag = FlagOptions().find(name); flag != FlagOptions().end()) {
            if (value)
                return Fail("値を取らないオプションです: " + name);
            flag->second(parser);
            continue;
        }
        const auto option = ValueOptions().find(name);
        if (option == ValueOptions().end())
            return Fail("不明なオプションです: " + arg);
        if (!value) {
            if (i + 1 >= args.size())
                return Fail("値がありません: " + name);
            value = args[++i];
        }
        if (!option->second(parser, *value)) {
            return Fail("値が正しくありません: " + name + " " + *value);
        }
    }

    MachineOptions& o = parser.options;
    FlowSettings& flow = o.config.flow;
    if (flow.capacity > 0) {
        if (!parser.highGiven)
            flow.high = flow.capacity - flow.capacity / 8;
        if (!parser.lowGiven)
            flow.low = flow.capacity / 4;
        if (flow.high == 0 || flow.high > flow.capacity || flow.low >= flow.high) {
            return Fail("--low < --high <= --buffer になるように指定してください");
        }
    }
    o.config.lineCps = CharactersPerSecond(o.baud, o.format);
    if (!parser.cpsGiven)
        o.config.punchCps = o.config.lineCps;
    return OptionsResult{std::move(o), {}};
}

std::string MachineUsage() {
    return R"(使い方: kelvantori-machine [オプション]

疑似端末の上で動く仮想NC装置です。疑似端末を開き、PC側が開くデバイスのパスを標準出力の
1行目に書きます。PC側がデバイスを閉じて開き直しても動き続けます。SIGINT か SIGTERM で
終了し、終了時に集計を標準エラー出力に書きます (終了コード 0)。

読み込み (PC から装置へ):
  --code iso|eia|7bit|auto  テープコード (既定 iso)。iso は8ビット偶数パリティ、eia は
                            第5トラック奇数パリティ、7bit はパリティなしの7ビット文字、
                            auto はプログラムの外では1文字ごとにパリティで iso か
                            eia に決め、プログラムの中ではその決定を保つ。
                            パリティの誤りは数える
  --start dc1|percent|none  読み込みの準備ができたときPCに送る開始信号 (既定 none)
  --start-repeat MS         データが届くまで開始信号を送り直す間隔 (既定 1000、0 は1回だけ)
  --buffer N                受信バッファの文字数 (既定 256、0 はバッファなし・流れ制御なし)
  --high N                  DC3 を送るバッファの文字数 (既定 N - N/8)
  --low N                   DC1 を送るバッファの文字数 (既定 N/4)
  --drain CPS               装置がバッファから取り出す毎秒の文字数 (既定 0 = すぐに)
  --dc3 93|13               DC3 として送るバイト (既定 93 = 0x93)
  --baud N                  この通信速度で読む: 毎秒 N / (スタート+データ+パリティ+
                            ストップビット) 文字まで (既定 0 = 速度の制限なし)
  --format 8N1|7E2|...      回線の形式: データビット、パリティ N/E/O、ストップビット
                            1/1.5/2 (既定 8N1)
  --store DIR               受信したプログラムをプログラム番号で保存する
                            (O1234 → DIR/O1234.NC、改行は CR LF)
  --raw FILE                受信したバイトを届いたとおり FILE に書く

出力 (装置から PC へ):
  --punch FILE              FILE のプログラムを出力する (このときは読み込まない)
  --leader N                リーダーの文字数 (既定 0)
  --leader-char nul|space|del|0xHH
                            リーダーの文字 (既定 nul)
  --no-percent              "%" の枠を付けない
  --dc4                     最後に DC4 を送る
  --cps N                   毎秒の出力文字数 (既定: --baud の速度、なければ 0 =
                            疑似端末が受け取れるだけ速く)
  --punch-after-dc1         PC からの DC1 を待って出力を始める
                            (既定: PC側がデバイスを開いたら始める)
  --delay MS                開いてから (または DC1 から) 出力を始めるまでの時間 (既定 500)
  --punch-on-request FILE   両方向: 読み込みはそのまま行い (--store などが効く)、PC が
                            デバイスを開いて --delay ミリ秒何も送らないとき、またはテープを
                            読んでいないときに DC1 が来たときに FILE のプログラムを出力する
                            (PC の受信)。出力中に PC が閉じたらその出力はやめる

全般:
  --link PATH               PATH にデバイスへのシンボリックリンクを作る
  --summary FILE            終了時の集計を key=value の行で FILE に書く
  --exit-after-idle MS      データが届いた後、MS ミリ秒通信がなければ終了する
  --once                    最初のプログラムを受け取ってデータが終わったら
                            (出力では出力を終えたら) 終了する
  --verbose                 DC3/DC1、プログラムの保存などの出来事を標準エラー出力に書く
  --help                    この説明を表示する
)";
}

}  // namespace kelvantori::machine
