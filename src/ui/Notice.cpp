#include "ui/Notice.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

namespace Notice {

QMessageBox *show(QMessageBox::Icon icon, const QString &title, const QString &text, int hideAfterMs)
{
    auto *box = new QMessageBox(icon, title, text, QMessageBox::NoButton);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setTextFormat(Qt::RichText);
    box->setModal(false);
    box->show();
    QTimer::singleShot(hideAfterMs, box, &QWidget::close);
    return box;
}

void processEventsFor(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, int(qMax<qint64>(1, ms - timer.elapsed())));
}

} // namespace Notice
