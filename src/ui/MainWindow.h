#pragma once

#include <QMainWindow>

class QLabel;
class FeaturesUtil;

// The main window. For now a plain frame with a status line; its views come
// with the login and sync pages.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);

    void prepareFirstPage();
    void showStatusMessage(const QString &text);
    // A lasting warning in the status bar while certificate errors are ignored.
    void showTlsWarning(bool on);
    QString statusMessage() const;
    FeaturesUtil *debugGesture() const { return m_debugGesture; }

public slots:
    void raiseApplication();

signals:
    void debugDialogRequested();

private:
    QLabel *m_page = nullptr;
    QLabel *m_status = nullptr;
    QLabel *m_tlsWarning = nullptr;
    FeaturesUtil *m_debugGesture = nullptr;
};
