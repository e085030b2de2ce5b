#pragma once

// Writes that really fail in the kernel: a file-size limit on this process (EFBIG once a file
// would grow past it), or a small tmpfs that is then filled (ENOSPC; needs root).

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <csignal>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

namespace quarbel::testing {

// While alive, no file of this process can grow past limitBytes; SIGXFSZ is ignored so the
// write returns EFBIG instead of killing the test.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limitBytes) {
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        m_active = getrlimit(RLIMIT_FSIZE, &m_old) == 0;
        rlimit limit = m_old;
        limit.rlim_cur = limitBytes;
        m_active = m_active && setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() {
        if (m_active) {
            setrlimit(RLIMIT_FSIZE, &m_old);
        }
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    bool active() const { return m_active; }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = SIG_DFL;
    bool m_active = false;
};

// A tmpfs of a few pages mounted on dir while alive; fill() leaves no free block.
class SmallTmpfs {
public:
    SmallTmpfs(const QString& dir, int kilobytes) : m_dir(dir) {
        if (geteuid() != 0 || !QDir().mkpath(dir)) {
            return;
        }
        const QByteArray options = "size=" + QByteArray::number(kilobytes) + "k";
        m_mounted =
            ::mount("tmpfs", QFile::encodeName(dir).constData(), "tmpfs", 0, options.constData()) == 0;
    }
    ~SmallTmpfs() {
        if (m_mounted) {
            ::umount2(QFile::encodeName(m_dir).constData(), MNT_DETACH);
        }
    }
    SmallTmpfs(const SmallTmpfs&) = delete;
    SmallTmpfs& operator=(const SmallTmpfs&) = delete;

    bool mounted() const { return m_mounted; }

    // Writes a filler file until the file system refuses another byte.
    bool fill() const {
        QFile filler(m_dir + QStringLiteral("/filler"));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
            return false;
        }
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size()) {
        }
        // Single bytes fill what a whole block did not.
        while (filler.write("x", 1) == 1) {
        }
        return true;
    }

private:
    QString m_dir;
    bool m_mounted = false;
};

} // namespace quarbel::testing
