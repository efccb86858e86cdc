#pragma once

#include <QApplication>

#include <memory>

namespace zelvant {

// The windows can be opened from a program that has no Qt application yet (the command line):
// makes one when there is none and hands it over, so it lives exactly as long as the caller needs.
std::unique_ptr<QApplication> ensureApplication();

} // namespace zelvant
