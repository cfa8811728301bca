// Controls of a dialog run by a scripted step, found by their object names; a control that is
// not there ends the test at once with its name, since every later check would be about nothing.
#pragma once

#include <QDialog>
#include <QtGlobal>

namespace kelvantori::test {

template <typename Control>
Control* Find(QDialog& dialog, const char* name) {
    auto* control = dialog.findChild<Control*>(name);
    if (!control)
        qFatal("%s has no control %s", qPrintable(dialog.objectName()), name);
    return control;
}

}  // namespace kelvantori::test
