#pragma once

// Every text the windows show passes Qt's translation, the German text being the source, so a
// translation file can put the windows into another language without touching the logic. The texts
// mostly come from the toolkit-free logic as plain strings and are looked up as they are, trailing
// blanks included. All of them share one context: a text shown by several windows is translated once.

#include <QCoreApplication>
#include <QString>

#include <string>

namespace zelvant {

// The context of the windows' texts. A literal text of these files that reaches translated() from
// elsewhere than its call is marked QT_TRANSLATE_NOOP("Zelvant", ...), so lupdate finds it; the macro
// wants the context spelled out.
inline constexpr const char* kTextContext = "Zelvant";

inline QString translated(const char* source)
{
    return QCoreApplication::translate(kTextContext, source);
}

inline QString translated(const std::string& source)
{
    return translated(source.c_str());
}

} // namespace zelvant
