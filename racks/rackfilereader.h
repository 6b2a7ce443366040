#ifndef RACKFILEREADER_H
#define RACKFILEREADER_H

#include "racksettings.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

class QIODevice;
class QXmlStreamReader;

// One thing a rack file says, in the order the file says it. A button that
// was given up (or cut off by an XML error) still carries the command lines
// read before that, so that their faults are reported; no button is made.
struct RackFileEntry {
    enum Kind { Name, Plot, Button, Watch, Problem, GivenUpButton };
    Kind kind = Problem;
    QString text; // Name: the rack's name; Problem: the critical message

    CustomPlotSettings plot; // Plot: the settings as the file gives them
    QList<CPGraphSettings> graphs;

    CommandButtonSettings button; // Button: title, tool tip and
    QStringList commandLines;     // the command text lines, unparsed

    FieldViewSettings watch; // Watch
};

// What a rack file holds: its entries in file order, with the reader's own
// complaints among them where they arose, and the XML error that ended the
// reading (empty when the document was read to its end). The entries read
// before an error are kept.
struct RackFileContents {
    QList<RackFileEntry> entries;
    QString xmlError;

    QList<RackFileEntry> entriesOf(RackFileEntry::Kind kind) const;
};

// Reads rack files ("*.dvk"). It turns bytes into settings records and
// nothing else: it looks nothing up in the descriptions and builds no
// widget, so any bytes can be given to it. The rack resolves messages and
// fields and builds its instruments from the result.
class RackFileReader
{
public:
    static RackFileContents read(QIODevice *device);
    static RackFileContents read(const QByteArray &bytes);

private:
    explicit RackFileReader(QXmlStreamReader *reader);
    void readDocument();
    void readRackSection();
    void ReadPlotSettingsElement(QXmlStreamReader *reader);
    bool readGraphSettingsElement(QXmlStreamReader *reader, CPGraphSettings *graph);
    bool readButtonSettingsElement(QXmlStreamReader *reader);
    bool readWatchSettingsElement(QXmlStreamReader *reader);

    QXmlStreamReader *xml;
    RackFileContents result;
};

// The bytes of a rack file: the XML declaration, then the root with the
// last Name entry as RackName, every Plot, then every Button, then every
// Watch entry, in their order; Problem and GivenUpButton entries are not
// written.
QByteArray writeRackFile(const RackFileContents &contents);

#endif // RACKFILEREADER_H
