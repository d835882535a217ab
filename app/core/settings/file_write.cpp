// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settings/file_write.h"

#include <algorithm>

#include <QSaveFile>

namespace vrx {

namespace {

qint64 failAfter = -1;
constexpr qint64 kChunk = 4096;

} // namespace

void SetWriteFailureAfter(qint64 bytes) {
    failAfter = bytes;
}

bool WriteFileAtomically(const QString &path, const QByteArray &data, QString &error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
        return false;
    }
    for (qint64 done = 0; done < data.size();) {
        qint64 n = std::min(kChunk, data.size() - done);
        const bool failing = failAfter >= 0 && done + n > failAfter;
        if (failing) n = std::max<qint64>(0, failAfter - done);
        if (n > 0 && file.write(data.constData() + done, n) != n) {
            error = file.errorString();
            file.cancelWriting();
            return false;
        }
        done += n;
        if (failing) {
            error = QStringLiteral("No space left on device");
            file.cancelWriting();
            return false;
        }
    }
    if (!file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

} // namespace vrx
