#pragma once
// The catalogue tree of a data database: areas, topics, items and, on demand, their years.

#include "shell/result.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

namespace qrn {

class ErrorLog;
class Connection;

// Where the catalogue is written: a tree whose node keys share one key space.
class TreeSink {
public:
    virtual ~TreeSink() = default;
    // Adds a node under parentKey ("" for a root); throws DbError when the key is taken.
    virtual void addNode(const QString &parentKey, const QString &key, const QString &text, const QString &image,
                         const QString &expandedImage) = 0;
};

// A plain in-memory tree, used by the command-line tool and the tests.
class MemoryTree : public TreeSink {
public:
    struct Node {
        QString parentKey, key, text, image, expandedImage;
        bool expanded = false;
    };
    void addNode(const QString &parentKey, const QString &key, const QString &text, const QString &image,
                 const QString &expandedImage) override;
    const std::vector<Node> &nodes() const { return m_nodes; }
    const Node *find(const QString &key) const;
    Node *find(const QString &key);
    QStringList childKeys(const QString &key) const;
    void clear() { m_nodes.clear(); }

private:
    std::vector<Node> m_nodes;
};

// "I" for indicators, "V" otherwise.
QString typeLetter(const QString &tipo);

// The catalogue query: filtered by type and level (selection window) or not (metadata browser).
QString fillsonsQuery(const QString &tipo, const QString &level, bool filtered);

// Fills the tree from the query on cn; rows arrive ordered by area, topic and code, and each
// area and topic node is added when it differs from the previous row's. A failure comes back as
// the error-log line "fillsons", which the program logs under "Utility"; the tree keeps the nodes
// added so far.
std::optional<Failure> fillsons(const QString &tipo, const QString &level, Connection &cn, TreeSink &tree,
                                bool filtered = true);

// Whether a click on a node whose key has clickedLength characters collapses another node whose
// key has otherLength characters (areas 1 character, topics 3, items 5 or 6, years 7 or more).
bool collapsesOnClick(int clickedLength, int otherLength);

// The years of an item at a level, with the note column of each year for variables.
QString yearsQuery(const QString &tipo, const QString &code, const QString &level);
// The note of one year of a variable.
QString yearNoteQuery(const QString &tipo, const QString &year, const QString &code);

struct YearNode {
    QString year;
    QString key; // code + "-" + year
    bool hasNote = false;
};
// Runs yearsQuery on cn; throws DbError.
std::vector<YearNode> loadYears(Connection &cn, const QString &tipo, const QString &code, const QString &level);

} // namespace qrn
