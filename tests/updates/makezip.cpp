#include "makezip.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <zip.h>

namespace qrn::test {

ZipItem file(const QString &name, const QByteArray &data, ZipItem::Kind kind)
{
    return {kind, name, data, 0, 0, {}};
}

ZipItem encrypted(const QString &name, const QByteArray &data, std::uint16_t method, const QByteArray &password)
{
    return {ZipItem::Kind::File, name, data, 0, method, password};
}

void makeZip(const QString &path, const std::vector<ZipItem> &items)
{
    QFile::remove(path);
    int err = 0;
    zip_t *za = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    ASSERT_NE(za, nullptr);
    for (const ZipItem &it : items) {
        const QByteArray name = it.name.toUtf8();
        zip_int64_t idx = -1;
        if (it.kind == ZipItem::Kind::Dir) {
            idx = zip_dir_add(za, name.constData(), ZIP_FL_ENC_UTF_8);
        } else {
            zip_source_t *src = nullptr;
            if (it.kind == ZipItem::Kind::Zeros) // read while compressing, never whole in memory
                src = zip_source_file(za, "/dev/zero", 0, it.zeros);
            else {
                // libzip reads the bytes when the archive is closed, and frees its copy.
                void *copy = std::malloc(size_t(std::max<qsizetype>(it.data.size(), 1)));
                std::memcpy(copy, it.data.constData(), size_t(it.data.size()));
                src = zip_source_buffer(za, copy, zip_uint64_t(it.data.size()), 1);
            }
            ASSERT_NE(src, nullptr);
            idx = zip_file_add(za, name.constData(), src, ZIP_FL_ENC_UTF_8);
            if (idx < 0)
                zip_source_free(src);
        }
        ASSERT_GE(idx, 0) << zip_strerror(za);
        // libzip 1.7 writes a wrong password check byte for a traditionally encrypted entry
        // whose time was set: those keep the time of the moment.
        if (!it.encryption)
            zip_file_set_mtime(za, zip_uint64_t(idx), 1210000000, 0);
        if (it.kind == ZipItem::Kind::Zeros) { // a plain file, not the device it was read from
            zip_set_file_compression(za, zip_uint64_t(idx), ZIP_CM_DEFLATE, 9);
            zip_file_set_external_attributes(za, zip_uint64_t(idx), 0, ZIP_OPSYS_UNIX, 0100644u << 16);
        }
        if (it.kind == ZipItem::Kind::Link)
            zip_file_set_external_attributes(za, zip_uint64_t(idx), 0, ZIP_OPSYS_UNIX, 0120777u << 16);
        if (it.encryption)
            ASSERT_EQ(zip_file_set_encryption(za, zip_uint64_t(idx), it.encryption, it.password.constData()), 0)
                << zip_strerror(za);
    }
    ASSERT_EQ(zip_close(za), 0) << zip_strerror(za);
}

QMap<QString, QByteArray> snapshot(const QString &folder)
{
    QMap<QString, QByteArray> out;
    const QDir base(folder);
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString p = it.next();
        const QFileInfo fi(p);
        if (fi.isDir()) {
            out.insert(base.relativeFilePath(p) + QLatin1Char('/'), QByteArray());
        } else {
            QFile f(p);
            EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << p.toStdString();
            out.insert(base.relativeFilePath(p), f.readAll());
        }
    }
    return out;
}

QStringList entriesOf(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace qrn::test
