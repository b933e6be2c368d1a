#include "ui/OpenBox.h"

namespace OpenBox {

namespace {
QMessageBox *make(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text,
                  QMessageBox::StandardButtons buttons)
{
    auto *box = new QMessageBox(icon, title, text, buttons, parent);
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    return box;
}
} // namespace

QMessageBox *inform(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text)
{
    QMessageBox *box = make(parent, icon, title, text, QMessageBox::Ok);
    box->open();
    return box;
}

QMessageBox *ask(QWidget *parent, const QString &title, const QString &text, std::function<void()> onYes)
{
    QMessageBox *box = make(parent, QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No);
    box->setDefaultButton(QMessageBox::No);
    QObject::connect(box, &QMessageBox::finished, box, [onYes](int answer) {
        if (answer == QMessageBox::Yes && onYes)
            onYes();
    });
    box->open();
    return box;
}

} // namespace OpenBox
