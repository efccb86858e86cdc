#include "forms/qt/QtMessageSink.h"

#include <QMessageBox>
#include <QPushButton>

namespace zelvant {

namespace {

void showBox(QWidget* parent, QMessageBox::Icon icon, const std::string& text, const std::string& title)
{
    QMessageBox box(icon, QString::fromStdString(title), QString::fromStdString(text), QMessageBox::Ok,
                    parent);
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
    QMessageBox box(QMessageBox::Question, QString::fromStdString(title), QString::fromStdString(text),
                    QMessageBox::Yes | QMessageBox::No, parent_);
    box.button(QMessageBox::Yes)->setText("Ja");
    box.button(QMessageBox::No)->setText("Nein");
    return box.exec() == QMessageBox::Yes;
}

} // namespace zelvant
