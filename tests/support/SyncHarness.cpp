#include "SyncHarness.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QProcess>

namespace {
const QString kDirMark = QStringLiteral("/");

QString describeFile(const QByteArray &content)
{
    return QStringLiteral(" %1 %2").arg(content.size()).arg(QString::fromLatin1(
        QCryptographicHash::hash(content, QCryptographicHash::Sha256).toHex().left(12)));
}
} // namespace

bool SyncHarness::Run::has(const QString &word, const QString &path, const QString &label) const
{
    for (const QString &line : lines) {
        const QStringList f = line.split(QLatin1Char('\t'));
        if (f.size() >= 3 && f.at(0) == word && f.at(1) == path && (label.isEmpty() || f.at(2) == label))
            return true;
    }
    return false;
}

QString SyncHarness::Run::describe() const
{
    return QStringLiteral("exit %1\n--- stdout\n%2--- stderr\n%3").arg(exitCode).arg(out, err);
}

SyncHarness::SyncHarness() : SyncHarness(Options()) {}

SyncHarness::SyncHarness(const Options &options)
    : m_options(options)
    , m_root(std::make_unique<QTemporaryDir>())
{
    // To look into the clients' folders and logs after a failure.
    if (qEnvironmentVariableIsSet("KORVEX_KEEP_TEST_FOLDERS")) {
        m_root->setAutoRemove(false);
        qInfo("SyncHarness: keeping %s", qUtf8Printable(m_root->path()));
    }
}

SyncHarness::~SyncHarness() = default;

bool SyncHarness::start()
{
    const auto fail = [this](const QString &error) {
        m_error = error;
        return false;
    };
    if (qEnvironmentVariableIsEmpty("KORVEXCMD_BINARY"))
        return fail(QStringLiteral("KORVEXCMD_BINARY is not set"));
    m_service = std::make_unique<ServiceProcess>();
    if (!m_service->start())
        return fail(m_service->errorString());
    const auto user = m_service->addUser(m_options.user, m_options.password);
    if (!user.ok())
        return fail(QStringLiteral("add-user: ") + QString::fromUtf8(user.err));
    ServiceProcess::CommandResult safe;
    m_safeId = m_service->addSafe(m_options.user, QStringLiteral("Docs"), m_options.safeOptions, &safe);
    if (m_safeId.isEmpty())
        return fail(QStringLiteral("add-safe: ") + QString::fromUtf8(safe.err));
    if (!m_options.clientUser.isEmpty()) {
        const auto other = m_service->addUser(m_options.clientUser, m_options.password);
        const auto shared = m_service->shareSafe(m_safeId, m_options.clientUser,
                                                 {QStringLiteral("--access"), m_options.clientAccess});
        if (!other.ok() || !shared.ok())
            return fail(QStringLiteral("sharing the safe: ") + QString::fromUtf8(other.err + shared.err));
    }
    m_remote = std::make_unique<Remote>(this);
    return true;
}

SyncHarness::Client &SyncHarness::client(int i)
{
    while (m_clients.size() <= i) {
        auto c = std::make_shared<Client>();
        const QString base = m_root->path() + QStringLiteral("/client%1").arg(m_clients.size());
        c->m_home = base + QStringLiteral("/home");
        c->m_folder = base + QStringLiteral("/Sync");
        QDir().mkpath(c->m_home);
        c->m_env = QProcessEnvironment::systemEnvironment();
        c->m_env.insert(QStringLiteral("HOME"), c->m_home);
        c->m_env.insert(QStringLiteral("XDG_CONFIG_HOME"), c->m_home + QStringLiteral("/.config"));
        c->m_env.insert(QStringLiteral("XDG_CACHE_HOME"), c->m_home + QStringLiteral("/.cache"));
        c->m_env.insert(QStringLiteral("XDG_DATA_HOME"), c->m_home + QStringLiteral("/.local/share"));
        c->m_env.remove(QStringLiteral("KORVEX_PASSWORD"));
        m_clients << c;
        Client withPassword = *c;
        withPassword.m_env.insert(QStringLiteral("KORVEX_PASSWORD"), m_options.password);
        const QString user = m_options.clientUser.isEmpty() ? m_options.user : m_options.clientUser;
        const Run login = withPassword.run({QStringLiteral("login"), QStringLiteral("--remember"), QStringLiteral("--user"),
                                            user, QStringLiteral("--server"), m_service->baseUrl(),
                                            QStringLiteral("--ca-file"), m_service->caFile()});
        if (login.exitCode != 0)
            m_error = QStringLiteral("login: ") + login.describe();
        const Run add = c->run({QStringLiteral("setting"), QStringLiteral("add"), m_safeId + QStringLiteral(":/"), c->m_folder});
        if (add.exitCode != 0)
            m_error = QStringLiteral("setting add: ") + add.describe();
    }
    return *m_clients[i];
}

std::unique_ptr<QProcess> SyncHarness::Client::start(const QStringList &args) const
{
    auto p = std::make_unique<QProcess>();
    p->setProcessEnvironment(m_env);
    p->start(qEnvironmentVariable("KORVEXCMD_BINARY"), args);
    p->waitForStarted();
    return p;
}

SyncHarness::Run SyncHarness::Client::run(const QStringList &args, const QByteArray &input, int timeoutMs) const
{
    const std::unique_ptr<QProcess> p = start(args);
    if (p->state() != QProcess::Running) {
        Run r;
        r.err = QStringLiteral("korvexcmd did not start");
        return r;
    }
    if (!input.isEmpty())
        p->write(input);
    p->closeWriteChannel();
    return finish(*p, timeoutMs);
}

SyncHarness::Run SyncHarness::Client::finish(QProcess &p, int timeoutMs)
{
    if (!p.waitForFinished(timeoutMs))
        p.kill();
    p.waitForFinished(5000);
    Run r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    for (const QString &line : r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        if (line.contains(QLatin1Char('\t')))
            r.lines << line;
    return r;
}

SyncHarness::Run SyncHarness::Client::sync(const QStringList &extraArgs, const QByteArray &input) const
{
    QStringList args{QStringLiteral("sync")};
    if (input.isEmpty())
        args << QStringLiteral("--non-interactive");
    return run(args + extraArgs, input);
}

bool SyncHarness::Client::write(const QString &relative, const QByteArray &content) const
{
    const QString target = path(relative);
    QDir().mkpath(QFileInfo(target).absolutePath());
    const QDateTime previous = QFileInfo(target).lastModified(); // invalid for a new file
    QFile f(target);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(content) != content.size())
        return false;
    f.close();
    if (previous.isValid()) {
        // An edit must show in the modification time even within one second.
        const QDateTime next = qMax(QDateTime::currentDateTime(), previous.addSecs(1));
        QFile touched(target);
        if (!touched.open(QIODevice::ReadWrite) || !touched.setFileTime(next, QFileDevice::FileModificationTime))
            return false;
    }
    return true;
}

bool SyncHarness::Client::remove(const QString &relative) const
{
    const QFileInfo info(path(relative));
    return info.isDir() ? QDir(info.absoluteFilePath()).removeRecursively() : QFile::remove(info.absoluteFilePath());
}

std::optional<QByteArray> SyncHarness::Client::read(const QString &relative) const
{
    QFile f(path(relative));
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    return f.readAll();
}

QStringList SyncHarness::Client::trashed() const
{
    return QDir(m_home + QStringLiteral("/.local/share/Trash/files")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
}

QStringList SyncHarness::treeOf(const QString &folder, bool withConflictCopies)
{
    QStringList tree;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        const QString relative = QDir(folder).relativeFilePath(info.absoluteFilePath());
        if (!withConflictCopies && relative.contains(QLatin1String("conflicted copy")))
            continue;
        if (info.isDir()) {
            tree << relative + kDirMark;
        } else {
            QFile f(info.absoluteFilePath());
            f.open(QIODevice::ReadOnly);
            tree << relative + describeFile(f.readAll());
        }
    }
    tree.sort();
    return tree;
}

QStringList SyncHarness::remoteTree()
{
    QStringList tree;
    const auto objects = m_remote->objects();
    for (auto it = objects.cbegin(); it != objects.cend(); ++it) {
        if (it->second == QLatin1String("d")) {
            tree << it.key() + kDirMark;
            continue;
        }
        QByteArray plain;
        bool decrypted = false;
        m_remote->client().download(it->first, &plain, &decrypted);
        tree << it.key() + (decrypted ? describeFile(plain) : QStringLiteral(" <unreadable>"));
    }
    tree.sort();
    return tree;
}

bool SyncHarness::Remote::ensureLoggedIn()
{
    if (m_client)
        return true;
    m_client = std::make_unique<ServiceClient>(m_harness->service());
    ServiceClient::LoginOptions options;
    options.deviceId = QStringLiteral("harness-remote");
    if (!m_client->login(m_harness->options().user, m_harness->options().password, options).loggedIn) {
        m_client.reset();
        return false;
    }
    return true;
}

QMap<QString, QPair<QString, QString>> SyncHarness::Remote::objects()
{
    QMap<QString, QPair<QString, QString>> map;
    if (!ensureLoggedIn())
        return map;
    ServiceClient::Reply reply = m_client->objects(m_harness->safeId());
    if (reply.http == 401) {
        // The test ended the sessions: log in again.
        m_client.reset();
        if (!ensureLoggedIn())
            return map;
        reply = m_client->objects(m_harness->safeId());
    }
    for (const QJsonValue v : reply.data.value(QStringLiteral("filesafe_objects")).toArray()) {
        const QJsonObject o = v.toObject();
        const QString path = o.value(QStringLiteral("path")).toString().mid(1); // relative to the root
        if (path.isEmpty())
            continue;
        map.insert(path, {o.value(QStringLiteral("object_id")).toString(), o.value(QStringLiteral("type")).toString()});
    }
    return map;
}

QString SyncHarness::Remote::parentId(const QString &path)
{
    if (!ensureLoggedIn())
        return QString();
    const QString parent = path.contains(QLatin1Char('/')) ? path.section(QLatin1Char('/'), 0, -2) : QString();
    if (parent.isEmpty())
        return m_harness->safeId() + QStringLiteral("/");
    const auto all = objects();
    const auto it = all.constFind(parent);
    if (it != all.constEnd())
        return it->second == QLatin1String("d") ? it->first : QString();
    return mkdir(parent) ? objects().value(parent).first : QString();
}

bool SyncHarness::Remote::mkdir(const QString &path)
{
    const QString parent = parentId(path);
    return !parent.isEmpty() && m_client->createFolder(parent, path.section(QLatin1Char('/'), -1)).ok();
}

bool SyncHarness::Remote::put(const QString &path, const QByteArray &content)
{
    const QString parent = parentId(path);
    const QString existing = parent.isEmpty() ? QString() : objects().value(path).first;
    return !parent.isEmpty() && m_client->upload(parent, path.section(QLatin1Char('/'), -1), content, existing).ok();
}

bool SyncHarness::Remote::remove(const QString &path)
{
    // objects() logs in; without a session it lists nothing.
    const auto object = objects().value(path);
    if (object.first.isEmpty())
        return false;
    return m_client->deleteObject(object.first, object.second == QLatin1String("d")).ok();
}

std::optional<QByteArray> SyncHarness::Remote::get(const QString &path)
{
    const QString id = objects().value(path).first;
    QByteArray plain;
    bool decrypted = false;
    // A download answers the bytes themselves, not an envelope.
    if (id.isEmpty() || m_client->download(id, &plain, &decrypted).http != 200 || !decrypted)
        return std::nullopt;
    return plain;
}
