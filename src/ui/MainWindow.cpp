#include "ui/MainWindow.h"

#include "app/FeaturesUtil.h"

#include <QLabel>
#include <QStatusBar>
#include <QVBoxLayout>

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(tr("${APP_NAME}"));
    setMinimumSize(720, 480);

    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("mainContent"));
    auto *layout = new QVBoxLayout(central);
    m_page = new QLabel(central);
    m_page->setObjectName(QStringLiteral("welcomeLabel"));
    m_page->setAlignment(Qt::AlignCenter);
    m_page->setWordWrap(true);
    layout->addWidget(m_page);
    setCentralWidget(central);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("statusLabel"));
    m_status->setTextFormat(Qt::PlainText); // may carry what a server said
    statusBar()->addWidget(m_status, 1);
    m_tlsWarning = new QLabel(tr("Certificate checks are OFF: any server is trusted"), this);
    m_tlsWarning->setObjectName(QStringLiteral("tlsWarningLabel"));
    statusBar()->addPermanentWidget(m_tlsWarning);
    m_tlsWarning->hide();

    // Five Alt-clicks on the status bar within two seconds open the debug dialog.
    m_debugGesture = new FeaturesUtil(5, 2000, Qt::AltModifier, this);
    statusBar()->installEventFilter(m_debugGesture);
    connect(m_debugGesture, &FeaturesUtil::triggered, this, &MainWindow::debugDialogRequested);
}

void MainWindow::prepareFirstPage()
{
    m_page->setText(tr("<h2>${APP_NAME}</h2><p>Your files, in step with your ${SERVICE_NAME} file safes.</p>"));
}

void MainWindow::showStatusMessage(const QString &text)
{
    m_status->setText(text);
}

void MainWindow::showTlsWarning(bool on)
{
    m_tlsWarning->setVisible(on);
}

QString MainWindow::statusMessage() const
{
    return m_status->text();
}

void MainWindow::raiseApplication()
{
    qDebug("MainWindow::raiseApplication: Activate main window.");
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}
