#pragma once

#include "net/Result.h"
#include "passwords/PasswordListState.h"
#include "ri/PasswordTO.h"
#include "ui/LockedOverlay.h"

#include <QPointer>
#include <QWidget>

#include <optional>

class CustomSortFilterProxyModel;
class PasswordController;
class QComboBox;
class QLabel;
class QLineEdit;
class QModelIndex;
class QProgressBar;
class QPushButton;
class QStandardItemModel;
class QTableView;
class QTimer;

// The "Password Safe" tab: the account's entries (never their passwords),
// search, add, show, edit and delete, and the lock overlay. The list is
// loaded when the view is shown unlocked; it is dropped when the safe locks.
class PasswordsView : public QWidget
{
    Q_OBJECT
public:
    PasswordsView(PasswordController *controller, LockedOverlay::PasswordCheck checkPassword,
                  QWidget *parent = nullptr);
    ~PasswordsView() override;

    const PasswordListState &listState() const { return m_state; }
    LockedOverlay *overlay() const { return m_overlay; }

public slots:
    // Loads the list anew (nothing while locked).
    void refresh();
    void on_getPasswords(const Result<EmptyPasswordsTO> &result);
    void on_doubleClickRow(const QModelIndex &index);
    void addPassword();
    void editPassword();
    void deletePassword();
    void delayPasswordSearch();
    // Locks the safe when the inactivity interval has passed.
    void checkLockTimeout();

signals:
    void passwordsLoaded(int count);

protected:
    void showEvent(QShowEvent *event) override;

private slots:
    void onSearchTextChanged(const QString &text);
    void onSearchFieldChanged(int field);
    void onLockedChanged(bool locked);

private:
    std::optional<EmptyPasswordTO> selectedEntry() const;
    // The selected entry, or a box that asks for a selection.
    std::optional<EmptyPasswordTO> selectedEntryOrSay(const QString &request);
    std::optional<EmptyPasswordTO> entryAt(const QModelIndex &proxyIndex) const;
    void openDialog(int mode, const EmptyPasswordTO &entry, bool startEditing = false);
    void applyTextFilter();
    void setFiltered(bool filtered);
    void clearList();
    QPoint cursorOrigin() const;

    QPointer<PasswordController> m_controller;
    PasswordListState m_state;
    QStandardItemModel *m_model;
    CustomSortFilterProxyModel *m_proxy;
    QTableView *m_table;
    QComboBox *m_searchField;
    QLineEdit *m_search;
    QProgressBar *m_spinner;
    QLabel *m_count;
    QPushButton *m_add;
    QPushButton *m_edit;
    QPushButton *m_delete;
    QTimer *m_searchTimer;
    QTimer *m_lockTimer;
    LockedOverlay *m_overlay;
    quint64 m_searchRound = 0; // tells a stale search answer apart
};
