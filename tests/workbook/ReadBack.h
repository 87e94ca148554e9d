// Reads a written workbook back through an independent reader (xlrd for .xls, openpyxl for
// .xlsx) run as a /usr/bin/python3 subprocess, and a few helpers shared by the tests.
#pragma once

#include "Workbook.h"

#include <QTemporaryDir>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace wbtest {

struct ReadCell {
    char type = 0; // 't' text, 'n' number, 'o' other
    std::string text;
    double number = 0;
};

struct ReadStyle {
    bool bold = false;
    std::string fill; // "RRGGBB" or "-"
};

struct ReadSheet {
    std::string name;
    int rows = 0;
    int cols = 0;
    std::map<std::pair<int, int>, ReadCell> cells;
    std::map<int, double> widths; // characters
    std::map<std::pair<int, int>, ReadStyle> styles; // rows 0 and 1
};

// Reads `file` with the reader its extension calls for; on failure returns nullopt and puts the
// reader's output in *why.
std::optional<std::vector<ReadSheet>> readBack(const std::filesystem::path &file, std::string *why);

// What the reader should find for a cell written from `cell` (nullopt: no cell at all).
std::optional<ReadCell> expectedOf(const qrn::workbook::Cell &cell);

// A fresh directory, removed with everything in it at destruction.
class TempDir {
public:
    std::filesystem::path operator/(const std::string &name) const { return path() / name; }
    std::filesystem::path path() const { return m_dir.path().toStdString(); }

private:
    QTemporaryDir m_dir;
};

} // namespace wbtest
