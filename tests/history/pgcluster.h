#pragma once
// A private PostgreSQL server for the tests: Debian's own postgres in a
// cluster of its own under a temporary folder, listening on a Unix socket
// there only (no TCP port), trust authentication, stopped and removed at
// the end. As root (CI), the server runs as the postgres user, since
// PostgreSQL refuses root.
#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <memory>
#include <pwd.h>
#include <unistd.h>

namespace marbolt::testing {

class PgCluster {
public:
    // Starts the server; error() tells why when it did not.
    PgCluster()
    {
        if (!dir_.isValid()) {
            error_ = QStringLiteral("no temporary folder");
            return;
        }
        const QString bin = binFolder();
        if (bin.isEmpty()) {
            error_ = QStringLiteral("PostgreSQL's initdb not found under /usr/lib/postgresql (package postgresql)");
            return;
        }
        socket_ = dir_.path() + QStringLiteral("/sock");
        const QString data = dir_.path() + QStringLiteral("/data");
        QDir().mkpath(socket_);
        if (geteuid() == 0) {
            const passwd *pw = getpwnam("postgres");
            if (!pw) {
                error_ = QStringLiteral("running as root and there is no postgres user");
                return;
            }
            runAs_ = QStringLiteral("postgres");
            if (::chown(dir_.path().toLocal8Bit().constData(), pw->pw_uid, pw->pw_gid) != 0
                || ::chown(socket_.toLocal8Bit().constData(), pw->pw_uid, pw->pw_gid) != 0) {
                error_ = QStringLiteral("cannot give the cluster's folder to postgres");
                return;
            }
        }
        if (!run(bin + QStringLiteral("/initdb"), {QStringLiteral("-D"), data, QStringLiteral("-A"), QStringLiteral("trust"),
                                                   QStringLiteral("-U"), user(), QStringLiteral("-E"), QStringLiteral("UTF8"),
                                                   QStringLiteral("--locale=C"), QStringLiteral("--no-sync")}))
            return;
        if (!run(bin + QStringLiteral("/pg_ctl"),
                 {QStringLiteral("-D"), data, QStringLiteral("-l"), dir_.path() + QStringLiteral("/server.log"), QStringLiteral("-w"),
                  QStringLiteral("-o"), QStringLiteral("-k %1 -c listen_addresses= -c max_connections=40").arg(socket_),
                  QStringLiteral("start")}))
            return;
        bin_ = bin;
        data_ = data;
        started_ = true;
        // A test that crashes runs no destructor: a watcher stops the
        // server and removes its folder once this process is gone.
        const QString stop = (runAs_.isEmpty() ? QString() : QStringLiteral("runuser -u %1 -- ").arg(runAs_))
                           + QStringLiteral("'%1/pg_ctl' -D '%2' -m immediate stop").arg(bin_, data_);
        QProcess::startDetached(QStringLiteral("sh"),
                                {QStringLiteral("-c"), QStringLiteral("while kill -0 %1 2>/dev/null; do sleep 1; done; "
                                                                      "%2 >/dev/null 2>&1; rm -rf '%3'")
                                                           .arg(QCoreApplication::applicationPid())
                                                           .arg(stop, dir_.path())});
    }
    ~PgCluster()
    {
        if (started_)
            run(bin_ + QStringLiteral("/pg_ctl"), {QStringLiteral("-D"), data_, QStringLiteral("-m"), QStringLiteral("immediate"),
                                                  QStringLiteral("stop")});
    }
    PgCluster(const PgCluster &) = delete;
    PgCluster &operator=(const PgCluster &) = delete;

    bool started() const { return started_; }
    const QString &error() const { return error_; }
    // The socket's folder: the host of a connection.
    const QString &socketFolder() const { return socket_; }
    static QString user() { return QStringLiteral("marbolt"); }
    // "postgresql:///NAME?host=SOCKET&user=marbolt", as the settings hold it.
    QString setting(const QString &database) const
    {
        return QStringLiteral("postgresql:///%1?host=%2&user=%3").arg(database, socket_, user());
    }

    // A new empty database; false with why in error().
    bool createDatabase(const QString &name) { return admin(QStringLiteral("CREATE DATABASE \"%1\"").arg(name)); }
    bool dropDatabase(const QString &name) { return admin(QStringLiteral("DROP DATABASE IF EXISTS \"%1\" WITH (FORCE)").arg(name)); }
    // A name no other database of this run has.
    static QString freshName(const QString &stem)
    {
        static std::atomic<int> count{0};
        return QStringLiteral("%1_%2").arg(stem).arg(++count);
    }

private:
    static QString binFolder()
    {
        QDir lib(QStringLiteral("/usr/lib/postgresql"));
        QStringList versions = lib.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
        std::sort(versions.begin(), versions.end(), [](const QString &a, const QString &b) { return a.toInt() < b.toInt(); });
        for (auto it = versions.rbegin(); it != versions.rend(); ++it) {
            const QString bin = lib.filePath(*it + QStringLiteral("/bin"));
            if (QFile::exists(bin + QStringLiteral("/initdb")))
                return bin;
        }
        return {};
    }
    bool run(const QString &program, QStringList args)
    {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        if (!runAs_.isEmpty()) {
            args.prepend(program);
            args.prepend(QStringLiteral("--"));
            args.prepend(runAs_);
            args.prepend(QStringLiteral("-u"));
            p.start(QStringLiteral("runuser"), args);
        } else {
            p.start(program, args);
        }
        if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
            error_ = QStringLiteral("%1 failed: %2").arg(program, QString::fromLocal8Bit(p.readAll()));
            return false;
        }
        return true;
    }
    bool admin(const QString &sql)
    {
        bool ok = false;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("pgcluster-admin"));
            db.setHostName(socket_);
            db.setDatabaseName(QStringLiteral("postgres"));
            db.setUserName(user());
            if (!db.open()) {
                error_ = db.lastError().text();
            } else {
                QSqlQuery q(db);
                ok = q.exec(sql);
                if (!ok)
                    error_ = q.lastError().text();
                db.close();
            }
        }
        QSqlDatabase::removeDatabase(QStringLiteral("pgcluster-admin"));
        return ok;
    }

    QTemporaryDir dir_;
    QString socket_;
    QString data_;
    QString bin_;
    QString runAs_;
    QString error_;
    bool started_ = false;
};

}  // namespace marbolt::testing
