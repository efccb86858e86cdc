#include "forms/qt/QtMessageSink.h"

#include "forms/qt/Translated.h"

#include <QMessageBox>
#include <QPushButton>

namespace zelvant {

namespace {

void showBox(QWidget* parent, QMessageBox::Icon icon, const std::string& text, const std::string& title)
{
    QMessageBox box(icon, translated(title), translated(text), QMessageBox::Ok, parent);
    box.exec();
}

} // namespace

void QtMessageSink::warning(const std::string& text, const std::string& title)
{
    showBox(parent_, QMessageBox::Warning, text, title);
}

void QtMessageSink::information(const std::string& text, const std::string& title)
{
    showBox(parent_, QMessageBox::Information, text, title);
}

bool QtMessageSink::askYesNo(const std::string& text, const std::string& title)
{
    QMessageBox box(QMessageBox::Question, translated(title), translated(text),
                    QMessageBox::Yes | QMessageBox::No, parent_);
    box.button(QMessageBox::Yes)->setText(translated(QT_TRANSLATE_NOOP("Zelvant", "Ja")));
    box.button(QMessageBox::No)->setText(translated(QT_TRANSLATE_NOOP("Zelvant", "Nein")));
    return box.exec() == QMessageBox::Yes;
}

} // namespace zelvant
