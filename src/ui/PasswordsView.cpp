#include "ui/PasswordsView.h"

#include "passwords/CustomSortFilterProxyModel.h"
#include "passwords/PasswordController.h"
#include "ui/CreateViewEditPasswordDialog.h"
#include "ui/OpenBox.h"
#include "ui/RowTable.h"

#include <QComboBox>
#include <QCursor>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardItemModel>
#include <QStyle>
#include <QTableView>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>

namespace {
constexpr int kPasswordSearchDelayMs = 1000;
constexpr int kLockPollMs = 1000;
const QString kMaskedPassword = QStringLiteral("******");

QStandardItem *item(const QString &text)
{
    auto *it = new QStandardItem(text);
    it->setData(text, CustomSortFilterProxyModel::SearchRole);
    it->setEditable(false);
    return it;
}
} // namespace

PasswordsView::PasswordsView(PasswordController *controller, LockedOverlay::PasswordCheck checkPassword,
                             QWidget *parent)
    : QWidget(parent)
    , m_controller(controller)
    , m_model(new QStandardItemModel(0, PasswordListState::ColumnCount, this))
    , m_proxy(new CustomSortFilterProxyModel(this))
    , m_table(new QTableView(this))
    , m_searchField(new QComboBox(this))
    , m_search(new QLineEdit(this))
    , m_spinner(new QProgressBar(this))
    , m_count(new QLabel(this))
    , m_add(new QPushButton(tr("Add"), this))
    , m_edit(new QPushButton(tr("Edit"), this))
    , m_delete(new QPushButton(tr("Delete"), this))
    , m_searchTimer(new QTimer(this))
    , m_lockTimer(new QTimer(this))
    , m_overlay(nullptr)
{
    setObjectName(QStringLiteral("passwordsView"));
    m_model->setHorizontalHeaderLabels(PasswordListState::columnTitles());
    m_proxy->setSourceModel(m_model);
    m_proxy->setSearchColumns(PasswordListState::searchColumns(PasswordListState::AllFields));
    m_proxy->setSortCaseSensitivity(Qt::CaseInsensitive);

    m_table->setObjectName(QStringLiteral("passwordTable"));
    m_table->setModel(m_proxy);
    setUpRowTable(m_table);
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(PasswordListState::TitleColumn, Qt::AscendingOrder);
    m_table->setProperty("filtered", false);

    m_searchField->setObjectName(QStringLiteral("searchFieldBox"));
    m_searchField->addItems(PasswordListState::searchFieldNames());
    m_search->setObjectName(QStringLiteral("searchEdit"));
    m_search->setPlaceholderText(tr("Search"));
    m_search->setClearButtonEnabled(true);
    m_spinner->setObjectName(QStringLiteral("searchSpinner"));
    m_spinner->setRange(0, 0); // busy: an endless animation
    m_spinner->setTextVisible(false);
    m_spinner->setFixedWidth(60);
    m_spinner->hide();
    m_count->setObjectName(QStringLiteral("countLabel"));
    m_add->setObjectName(QStringLiteral("addButton"));
    m_edit->setObjectName(QStringLiteral("editButton"));
    m_delete->setObjectName(QStringLiteral("deleteButton"));

    auto *top = new QHBoxLayout;
    top->addWidget(m_searchField);
    top->addWidget(m_search, 1);
    top->addWidget(m_spinner);
    top->addSpacing(12);
    top->addWidget(m_add);
    top->addWidget(m_edit);
    top->addWidget(m_delete);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_count);

    m_searchTimer->setSingleShot(true);
    m_searchTimer->setInterval(kPasswordSearchDelayMs);
    m_lockTimer->setInterval(kLockPollMs);

    connect(m_table, &QTableView::doubleClicked, this, &PasswordsView::on_doubleClickRow);
    connect(m_table, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        const std::optional<EmptyPasswordTO> entry = entryAt(m_table->indexAt(at));
        if (!entry || !m_controller)
            return;
        QMenu menu(this);
        const QPoint origin = m_table->viewport()->mapToGlobal(at);
        const QString id = entry->id;
        menu.addAction(tr("Copy Password"), this,
                       [this, origin, id] { m_controller->loadPasswordForClipboard(origin, id, QString()); });
        menu.addAction(tr("Copy Username"), this, [this, origin, entry] {
            m_controller->copyUsernameToClipboard(origin, entry->id, entry->username);
        })->setEnabled(!entry->username.isEmpty());
        menu.addAction(tr("Open Web Address"), this, [this, origin, entry] {
            if (!m_controller->openUrlInBrowser(origin, entry->id, entry->url))
                m_controller->showNotice(origin, tr("Unable to open address"));
        })->setEnabled(!entry->url.isEmpty());
        menu.exec(m_table->viewport()->mapToGlobal(at));
    });
    connect(m_add, &QPushButton::clicked, this, &PasswordsView::addPassword);
    connect(m_edit, &QPushButton::clicked, this, &PasswordsView::editPassword);
    connect(m_delete, &QPushButton::clicked, this, &PasswordsView::deletePassword);
    connect(m_search, &QLineEdit::textChanged, this, &PasswordsView::onSearchTextChanged);
    connect(m_searchField, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &PasswordsView::onSearchFieldChanged);
    connect(m_searchTimer, &QTimer::timeout, this, &PasswordsView::delayPasswordSearch);
    connect(m_lockTimer, &QTimer::timeout, this, &PasswordsView::checkLockTimeout);

    m_overlay = new LockedOverlay(std::move(checkPassword), this);
    if (m_controller) {
        connect(m_controller, &PasswordController::notice, this,
                [this](const QPoint &origin, const QString &text) { QToolTip::showText(origin, text, this); });
        connect(m_controller, &PasswordController::noticeExpired, this, [] { QToolTip::hideText(); });
        connect(m_controller, &PasswordController::lockedChanged, this, &PasswordsView::onLockedChanged);
        connect(m_overlay, &LockedOverlay::unlocked, m_controller, [this] { m_controller->setLocked(false); });
        if (m_controller->isLocked())
            onLockedChanged(true);
        else
            checkLockTimeout();
    }
    m_lockTimer->start();
}

PasswordsView::~PasswordsView() = default;

void PasswordsView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_state.isLoaded())
        refresh();
}

void PasswordsView::refresh()
{
    if (!m_controller || m_controller->isLocked())
        return;
    const QPointer<PasswordsView> self(this);
    m_controller->getPasswords([self](const Result<EmptyPasswordsTO> &result) {
        if (self)
            self->on_getPasswords(result);
    });
}

void PasswordsView::on_getPasswords(const Result<EmptyPasswordsTO> &result)
{
    if (m_controller && m_controller->isLocked())
        return; // locked meanwhile: the list stays away
    if (!result.isOk()) {
        qWarning("PasswordsView::on_getPasswords: Failed to retrieve passwords: %s", qUtf8Printable(result.message));
        OpenBox::inform(this, QMessageBox::Warning, tr("Error"), tr("Failed to retrieve passwords!"));
        return;
    }
    clearList();
    m_table->setSortingEnabled(false);
    for (const EmptyPasswordTO &entry : result.value.passwords) {
        QStandardItem *title = item(entry.title);
        title->setData(entry.id, CustomSortFilterProxyModel::IdRole);
        QStandardItem *password = item(kMaskedPassword);
        password->setData(QString(), CustomSortFilterProxyModel::SearchRole);
        m_model->appendRow({title, item(entry.username), password, item(entry.url), item(entry.comment)});
    }
    m_table->setSortingEnabled(true);
    // The comment, last, takes the rest of the width.
    for (int column = 0; column < PasswordListState::CommentColumn; ++column)
        m_table->resizeColumnToContents(column);
    m_state.setCounts(result.value.passwords.size(), result.value.passwordsMax);
    m_count->setText(m_state.countText());
    qInfo("PasswordsView::on_getPasswords: Loaded %d passwords", int(result.value.passwords.size()));
    emit passwordsLoaded(m_state.count());
}

void PasswordsView::clearList()
{
    m_model->removeRows(0, m_model->rowCount());
}

std::optional<EmptyPasswordTO> PasswordsView::entryAt(const QModelIndex &proxyIndex) const
{
    if (!proxyIndex.isValid())
        return std::nullopt;
    const int row = m_proxy->mapToSource(proxyIndex).row();
    auto text = [this, row](int column) { return m_model->item(row, column)->text(); };
    return EmptyPasswordTO{m_model->item(row, PasswordListState::TitleColumn)
                               ->data(CustomSortFilterProxyModel::IdRole)
                               .toString(),
                           text(PasswordListState::TitleColumn), text(PasswordListState::UsernameColumn),
                           text(PasswordListState::UrlColumn), text(PasswordListState::CommentColumn)};
}

std::optional<EmptyPasswordTO> PasswordsView::selectedEntry() const
{
    const QModelIndexList rows = m_table->selectionModel()->selectedRows();
    return rows.isEmpty() ? std::nullopt : entryAt(rows.first());
}

void PasswordsView::openDialog(int mode, const EmptyPasswordTO &entry, bool startEditing)
{
    auto *dialog =
        new CreateViewEditPasswordDialog(m_controller, PasswordEntryForm::Mode(mode), entry, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &CreateViewEditPasswordDialog::saved, this, &PasswordsView::refresh);
    dialog->open();
    if (startEditing)
        dialog->beginEdit();
}

void PasswordsView::on_doubleClickRow(const QModelIndex &index)
{
    if (const std::optional<EmptyPasswordTO> entry = entryAt(index))
        openDialog(PasswordEntryForm::View, *entry);
}

void PasswordsView::addPassword()
{
    if (m_state.isLoaded() && !m_state.canAdd()) {
        OpenBox::inform(this, QMessageBox::Information, tr("Maximum reached"),
                        tr("You have reached the maximum of %1 passwords.").arg(m_state.maximum()));
        return;
    }
    openDialog(PasswordEntryForm::Create, EmptyPasswordTO());
}

std::optional<EmptyPasswordTO> PasswordsView::selectedEntryOrSay(const QString &request)
{
    const std::optional<EmptyPasswordTO> entry = selectedEntry();
    if (!entry)
        OpenBox::inform(this, QMessageBox::Information, tr("No password selected"), request);
    return entry;
}

void PasswordsView::editPassword()
{
    const std::optional<EmptyPasswordTO> entry = selectedEntryOrSay(tr("Please select the password to be edited!"));
    if (!entry)
        return;
    openDialog(PasswordEntryForm::View, *entry, true);
}

void PasswordsView::deletePassword()
{
    const std::optional<EmptyPasswordTO> entry = selectedEntryOrSay(tr("Please select the password to be deleted!"));
    if (!entry)
        return;
    const QString id = entry->id;
    OpenBox::ask(this, tr("Delete"), tr("Are you sure you want to delete password %1 ?").arg(entry->title), [this, id] {
        if (!m_controller)
            return;
        const QPointer<PasswordsView> self(this);
        m_controller->deletePassword(id, [self](const EmptyResult &result) {
            if (!self)
                return;
            if (!result.isOk()) {
                qWarning("PasswordsView::deletePassword: %s", qUtf8Printable(result.message));
                OpenBox::inform(self, QMessageBox::Critical, tr("Delete failed"), tr("Unable to delete password"));
            }
            self->refresh();
        });
    });
}

void PasswordsView::setFiltered(bool filtered)
{
    if (m_table->property("filtered").toBool() == filtered)
        return;
    m_table->setProperty("filtered", filtered);
    // Style sheets read the property only when the widget is polished again.
    m_table->style()->unpolish(m_table);
    m_table->style()->polish(m_table);
}

void PasswordsView::applyTextFilter()
{
    m_proxy->setIdFilter(std::nullopt);
    m_proxy->setSearchColumns(PasswordListState::searchColumns(m_searchField->currentIndex()));
    m_proxy->setSearchPattern(m_search->text());
}

void PasswordsView::onSearchFieldChanged(int field)
{
    const bool password = PasswordListState::isPasswordSearch(field);
    // A password typed hidden must not show up as plain text, nor plain text
    // be sent as a password: switching starts from an empty box.
    if ((m_search->echoMode() == QLineEdit::Password) != password) {
        m_search->setEchoMode(password ? QLineEdit::Password : QLineEdit::Normal);
        m_search->clear();
    }
    if (!password)
        applyTextFilter();
}

void PasswordsView::onSearchTextChanged(const QString &text)
{
    setFiltered(!text.isEmpty());
    if (!PasswordListState::isPasswordSearch(m_searchField->currentIndex())) {
        applyTextFilter();
        return;
    }
    ++m_searchRound;
    if (text.isEmpty()) {
        m_searchTimer->stop();
        m_spinner->hide();
        m_proxy->setIdFilter(std::nullopt);
        m_proxy->setSearchPattern(QString());
        return;
    }
    m_spinner->show();
    m_searchTimer->start();
}

void PasswordsView::delayPasswordSearch()
{
    if (!m_controller || m_search->text().isEmpty())
        return;
    const quint64 round = ++m_searchRound;
    const QPointer<PasswordsView> self(this);
    m_controller->checkBreached(m_search->text(), [self, round](const Result<PasswordIdListTO> &result) {
        if (!self || round != self->m_searchRound)
            return; // the text changed meanwhile
        self->m_spinner->hide();
        QSet<QString> ids;
        if (result.isOk()) {
            for (const int id : result.value.ids)
                ids.insert(QString::number(id));
        } else {
            qWarning("PasswordsView::delayPasswordSearch: %s", qUtf8Printable(result.message));
            self->m_controller->showNotice(self->m_search->mapToGlobal(self->m_search->rect().center()),
                                           tr("Unable to search passwords"));
        }
        self->m_proxy->setIdFilter(ids);
    });
}

void PasswordsView::checkLockTimeout()
{
    if (m_controller && !m_controller->isLocked() && m_controller->isLockTimeoutExpired())
        m_controller->setLocked(true);
}

void PasswordsView::onLockedChanged(bool locked)
{
    if (locked) {
        // Nothing of the safe stays on screen or in an open dialog.
        for (QDialog *dialog : findChildren<QDialog *>())
            dialog->reject();
        m_search->clear();
        clearList();
        m_state.reset();
        m_count->clear();
        m_overlay->fadeIn();
        return;
    }
    m_overlay->fadeOut();
    refresh();
}
