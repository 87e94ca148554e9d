#pragma once
// Archives built at test time with libzip, malicious ones included, and snapshots of folders
// to show that a refused update changed nothing.

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

namespace qrn::test {

struct ZipItem {
    enum class Kind { File, Dir, Link, Zeros } kind = Kind::File;
    QString name;
    QByteArray data; // the content, or the target of a link
    std::int64_t zeros = 0; // Kind::Zeros: this many zero bytes, made while compressing
    std::uint16_t encryption = 0; // ZIP_EM_TRAD_PKWARE, ZIP_EM_AES_256, ...
    QByteArray password;
};

// An entry of the archive: a file by default, or a folder (data unused) or a link (data its target).
ZipItem file(const QString &name, const QByteArray &data = {}, ZipItem::Kind kind = ZipItem::Kind::File);
ZipItem encrypted(const QString &name, const QByteArray &data, std::uint16_t method, const QByteArray &password);

// Writes the archive; fails the test when libzip refuses.
void makeZip(const QString &path, const std::vector<ZipItem> &items);

// Every file (path -> bytes) and folder ("path/" -> "") under a folder.
QMap<QString, QByteArray> snapshot(const QString &folder);
// The names in a folder, hidden ones too.
QStringList entriesOf(const QString &folder);

} // namespace qrn::test
