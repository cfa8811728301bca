// Qt's own texts in the program's language: the file picker's captions and the standard buttons
// are Japanese once the translation is installed, and a missing translation is named.
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "ui/QtTranslations.h"

using namespace kelvantori;

class QtTranslationsTest : public QObject {
    Q_OBJECT

  private slots:
    void aMissingTranslationIsNamedAndChangesNothing() {
        QTemporaryDir empty;
        QCOMPARE(InstallQtTranslations(*qApp, empty.path()), empty.filePath("qtbase_ja.qm"));
        QCOMPARE(
            QDialogButtonBox(QDialogButtonBox::Cancel).button(QDialogButtonBox::Cancel)->text(),
            "Cancel");
    }

    void theFilePickerAndTheStandardButtonsSpeakJapanese() {
        QCOMPARE(InstallQtTranslations(*qApp), QString());

        QFileDialog dialog(nullptr, "保存", QDir::tempPath());
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        auto* lookIn = dialog.findChild<QLabel*>("lookInLabel");
        QVERIFY(lookIn != nullptr);
        QVERIFY2(lookIn->text() != "Look in:", qPrintable(lookIn->text()));
        auto* fileName = dialog.findChild<QLabel*>("fileNameLabel");
        QVERIFY(fileName != nullptr);
        QVERIFY2(fileName->text() != "File &name:", qPrintable(fileName->text()));

        const QDialogButtonBox box(QDialogButtonBox::Save | QDialogButtonBox::Cancel);
        for (const auto which : {QDialogButtonBox::Save, QDialogButtonBox::Cancel}) {
            const QString text = box.button(which)->text();
            QVERIFY2(text.contains(QChar(0x4FDD)) || text.contains(QString::fromUtf8("キャンセル")),
                     qPrintable(text));
        }
    }
};

QTEST_MAIN(QtTranslationsTest)
#include "QtTranslationsTest.moc"
