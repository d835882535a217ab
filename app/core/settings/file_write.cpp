// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settings/file_write.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QRandomGenerator>

namespace vrx {

namespace {

qint64 failAfter = -1;

// 0: no temporary file exists; 1: a write has one; 1 | sig << 8: the program is to end by
// `sig` once it is gone.
std::atomic<int> writeState{0};
static_assert(std::atomic<int>::is_always_lock_free, "read in a signal handler");

[[noreturn]] void DieBy(int sig) {
    signal(sig, SIG_DFL);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, sig);
    raise(sig);
    // Inside the handler of `sig` the signal is blocked until it is let through here.
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    _exit(128 + sig);
}

// Marks the time a temporary file exists; a signal that ends the program meanwhile takes
// effect when this ends, after the file was renamed or removed.
class TemporaryFileTime {
  public:
    TemporaryFileTime() { writeState.store(1); }
    ~TemporaryFileTime() {
        if (const int s = writeState.exchange(0); s >> 8) DieBy(s >> 8);
    }
    TemporaryFileTime(const TemporaryFileTime &) = delete;
    TemporaryFileTime &operator=(const TemporaryFileTime &) = delete;
};

QString Reason(int err) {
    return QString::fromLocal8Bit(std::strerror(err));
}

QByteArray DirOf(const QByteArray &path) {
    const auto slash = path.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.left(slash);
}

struct Target {
    enum Kind { File, Stream, Refused } kind = File;
    QByteArray path;     // the file itself (File) or what is opened (Stream)
    bool exists = false; // File: replaced rather than created
    bool append = false; // Stream: a regular file behind one of the process's descriptors
    struct stat st = {};
    QString reason; // Refused
};

Target Refuse(const QString &reason) {
    Target t;
    t.kind = Target::Refused;
    t.reason = reason;
    return t;
}

// /dev/stdout, /dev/fd/N: a link of the process's own descriptors names no file to write
// beside; what it stands for is written into.
bool IsDescriptorLink(const QByteArray &path) {
    char real[PATH_MAX];
    return realpath(DirOf(path).constData(), real) && std::strncmp(real, "/proc/", 6) == 0;
}

bool InGroup(gid_t gid) {
    if (gid == getegid()) return true;
    const int n = getgroups(0, nullptr);
    if (n <= 0) return false;
    std::vector<gid_t> groups(static_cast<size_t>(n));
    return getgroups(n, groups.data()) == n &&
           std::find(groups.begin(), groups.end(), gid) != groups.end();
}

// What the file's permission bits let this user do, without the override root has.
bool PermitsWriting(const struct stat &st) {
    if (st.st_uid == geteuid()) return (st.st_mode & S_IWUSR) != 0;
    if (InGroup(st.st_gid)) return (st.st_mode & S_IWGRP) != 0;
    return (st.st_mode & S_IWOTH) != 0;
}

// Why a file of this kind is never written (a folder, a block device, a socket); empty when it
// may be (a regular file, a pipe, a character device).
QString Unwritable(mode_t mode) {
    if (S_ISDIR(mode)) return Reason(EISDIR);
    if (!S_ISREG(mode) && !S_ISFIFO(mode) && !S_ISCHR(mode))
        return QStringLiteral("not a regular file, a pipe or a character device");
    return {};
}

Target Resolve(const QString &name) {
    Target t;
    t.path = QFile::encodeName(name);
    if (t.path.isEmpty()) return Refuse(Reason(ENOENT));
    for (int hops = 0;; ++hops) {
        struct stat ls;
        if (lstat(t.path.constData(), &ls) != 0) {
            // A new file; a missing folder is reported when the file is made.
            if (errno == ENOENT) return t;
            return Refuse(Reason(errno));
        }
        if (!S_ISLNK(ls.st_mode)) {
            t.st = ls;
            t.exists = true;
            if (const QString why = Unwritable(ls.st_mode); !why.isEmpty()) return Refuse(why);
            if (!PermitsWriting(ls))
                return Refuse(Reason(EACCES) +
                              QStringLiteral(": its permissions do not let this user write it"));
            if (!S_ISREG(ls.st_mode)) t.kind = Target::Stream;
            return t;
        }
        if (IsDescriptorLink(t.path)) {
            if (stat(t.path.constData(), &t.st) != 0) return Refuse(Reason(errno));
            if (const QString why = Unwritable(t.st.st_mode); !why.isEmpty()) return Refuse(why);
            t.kind = Target::Stream;
            t.append = S_ISREG(t.st.st_mode);
            return t;
        }
        if (hops == 40) return Refuse(Reason(ELOOP));
        QByteArray link(PATH_MAX, '\0');
        const ssize_t n = readlink(t.path.constData(), link.data(), static_cast<size_t>(PATH_MAX));
        if (n < 0) return Refuse(Reason(errno));
        if (n >= PATH_MAX) return Refuse(Reason(ENAMETOOLONG));
        link.truncate(n);
        t.path = link.startsWith('/') ? link : DirOf(t.path) + '/' + link;
    }
}

// "." + the target's name + "." + six random characters, beside the target; the name is
// shortened (never inside a character) so that the whole stays within the folder's limit.
QByteArray TemporaryName(const QByteArray &path) {
    const QByteArray dir = DirOf(path);
    QByteArray name = path.mid(path.lastIndexOf('/') + 1);
    long limit = pathconf(dir.constData(), _PC_NAME_MAX);
    if (limit <= 0) limit = NAME_MAX;
    auto keep = std::max<qsizetype>(1, static_cast<qsizetype>(limit) - 8);
    if (name.size() > keep) {
        while (keep > 1 && (static_cast<uint8_t>(name[keep]) & 0xC0) == 0x80)
            --keep;
        name.truncate(keep);
    }
    static constexpr char kLetters[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QByteArray temp = dir + "/." + name + '.';
    for (int i = 0; i < 6; ++i)
        temp += kLetters[QRandomGenerator::global()->bounded(int{sizeof kLetters - 1})];
    return temp;
}

bool WriteAll(int fd, const QByteArray &data, QString &error) {
    for (qint64 done = 0; done < data.size();) {
        qint64 n = std::min<qint64>(data.size() - done, qint64{1} << 20);
        if (failAfter >= 0 && done + n > failAfter) {
            n = failAfter - done;
            if (n <= 0) {
                error = Reason(ENOSPC);
                return false;
            }
        }
        const ssize_t w = ::write(fd, data.constData() + done, static_cast<size_t>(n));
        if (w < 0 && errno == EINTR) continue;
        if (w < 0) {
            error = Reason(errno);
            return false;
        }
        done += w;
    }
    return true;
}

bool CloseChecked(int fd, bool ok, QString &error) {
    if (::close(fd) != 0 && ok) {
        error = Reason(errno);
        return false;
    }
    return ok;
}

bool WriteInto(const Target &t, const QByteArray &data, QString &error) {
    int fd;
    // A pipe without a reader waits for one, as any writer of a pipe does.
    do
        fd =
            ::open(t.path.constData(), O_WRONLY | O_CLOEXEC | O_NOCTTY | (t.append ? O_APPEND : 0));
    while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        error = Reason(errno);
        return false;
    }
    return CloseChecked(fd, WriteAll(fd, data, error), error);
}

bool Replace(const Target &t, const QByteArray &data, QString &error) {
    const TemporaryFileTime during;
    QByteArray temp;
    int fd = -1;
    for (int tries = 0; fd < 0 && tries < 100; ++tries) {
        temp = TemporaryName(t.path);
        fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        error = Reason(errno);
        return false;
    }
    if (t.exists) {
        // The file keeps its permissions, and its owner where this user may give it (root).
        fchmod(fd, t.st.st_mode & 0777);
        if (t.st.st_uid != geteuid() || t.st.st_gid != getegid())
            (void)!fchown(fd, t.st.st_uid, t.st.st_gid);
    }
    bool ok = CloseChecked(fd, WriteAll(fd, data, error), error);
    if (ok && ::rename(temp.constData(), t.path.constData()) != 0) {
        error = Reason(errno);
        ok = false;
    }
    if (!ok) ::unlink(temp.constData());
    return ok;
}

} // namespace

void SetWriteFailureAfter(qint64 bytes) {
    failAfter = bytes;
}

bool WriteFileAtomically(const QString &path, const QByteArray &data, QString &error) {
    const Target t = Resolve(path);
    switch (t.kind) {
    case Target::Refused:
        error = t.reason;
        return false;
    case Target::Stream:
        return WriteInto(t, data, error);
    case Target::File:
        break;
    }
    return Replace(t, data, error);
}

bool WritesRegularFile(const QString &path) {
    return Resolve(path).kind != Target::Stream;
}

void EndBySignal(int sig) {
    int s = writeState.load();
    while (s != 0) {
        // A write is under way: the first signal to end the program does so after it.
        if ((s >> 8) != 0 || writeState.compare_exchange_weak(s, s | sig << 8)) return;
    }
    DieBy(sig);
}

} // namespace vrx
