#pragma once

#include <QApplication>

#include <memory>

namespace zelvant {

// The windows can be opened from a program that has no Qt application yet (the command line):
// makes one when there is none and hands it over, so it lives exactly as long as the caller needs.
// A new application speaks German (see useGermanQtTexts).
std::unique_ptr<QApplication> ensureApplication();

// Qt's own texts (standard buttons, a line edit's context menu, the file dialog, the command line
// help of the host shell) in German, whatever the machine's language: Zelvant's windows are German
// and must not mix in English. Loads Qt's German catalogue once per application; false when the
// catalogue is not installed (Qt's texts then stay English, nothing else changes).
bool useGermanQtTexts(QCoreApplication& application);

} // namespace zelvant
