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

namespace {

// A source of n zero bytes produced on demand, so a huge entry never exists whole.
struct Zeros {
    std::int64_t size, offset = 0;
};

zip_int64_t zerosSource(void *state, void *data, zip_uint64_t len, zip_source_cmd_t cmd)
{
    auto *z = static_cast<Zeros *>(state);
    switch (cmd) {
    case ZIP_SOURCE_OPEN:
        z->offset = 0;
        return 0;
    case ZIP_SOURCE_READ: {
        const auto n = std::min<std::int64_t>(std::int64_t(len), z->size - z->offset);
        std::memset(data, 0, size_t(n));
        z->offset += n;
        return n;
    }
    case ZIP_SOURCE_CLOSE:
        return 0;
    case ZIP_SOURCE_STAT: {
        auto *st = static_cast<zip_stat_t *>(data);
        zip_stat_init(st);
        st->size = zip_uint64_t(z->size);
        st->valid |= ZIP_STAT_SIZE;
        return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_FREE:
        delete z;
        return 0;
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                              ZIP_SOURCE_FREE, ZIP_SOURCE_ERROR, -1);
    default:
        return -1;
    }
}

} // namespace

ZipItem file(const QString &name, const QByteArray &data)
{
    ZipItem i;
    i.name = name;
    i.data = data;
    return i;
}

ZipItem encrypted(const QString &name, const QByteArray &data, std::uint16_t method, const QByteArray &password)
{
    ZipItem i = file(name, data);
    i.encryption = method;
    i.password = password;
    return i;
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
            if (it.kind == ZipItem::Kind::Zeros)
                src = zip_source_function(za, zerosSource, new Zeros {it.zeros});
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
        if (it.kind == ZipItem::Kind::Zeros)
            zip_set_file_compression(za, zip_uint64_t(idx), ZIP_CM_DEFLATE, 9);
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
