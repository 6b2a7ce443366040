#include "rackfilereader.h"

#include "xmlreadhelpers.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace
{

// Numbers of a rack file are 32-bit signed decimal; anything else, a wider
// value included, reads as 0.
qint32 int32Of(const QString &text)
{
    bool ok = false;
    const int v = text.toInt(&ok, 10);
    return ok ? v : 0;
}

double doubleOf(const QString &text)
{
    // "nan", "inf" and "-inf" are numbers too: a NaN cap never trims and a
    // negative one keeps only the newest point.
    bool ok = false;
    const double v = text.toDouble(&ok);
    return ok ? v : 0.0;
}

QString tr(const char *text)
{
    return QCoreApplication::translate("InstrumentRackSwatch", text);
}

// Reads the children of the element whose start tag is current, handing
// each child's start tag to `child`, which reads the child whole or passes
// it over. True at the element's own end tag. Any other end tag gives the
// element up: the reader steps over it and returns false, as it does at
// the end of the document.
template <class Child> bool readChildren(QXmlStreamReader *reader, const char *own, Child child)
{
    while (!reader->atEnd()) {
        reader->readNext();
        if (reader->isEndElement()) {
            if (reader->name() == QLatin1String(own))
                return true;
            reader->readNext();
            return false;
        }
        if (reader->isStartElement())
            child(reader->name());
    }
    return false;
}

struct PlotRow {
    const char *tag;
    QString CustomPlotSettings::*text;
    qint64 CustomPlotSettings::*number;
    double CustomPlotSettings::*real;
};
const PlotRow kPlotRows[] = {
    {"Title", &CustomPlotSettings::title, nullptr, nullptr},
    {"Legend", nullptr, nullptr, nullptr},
    {"XName", &CustomPlotSettings::xName, nullptr, nullptr},
    {"XMin", nullptr, &CustomPlotSettings::xMin, nullptr},
    {"XMax", nullptr, &CustomPlotSettings::xMax, nullptr},
    {"YName", &CustomPlotSettings::yName, nullptr, nullptr},
    {"YMin", nullptr, &CustomPlotSettings::yMin, nullptr},
    {"YMax", nullptr, &CustomPlotSettings::yMax, nullptr},
    {"MaxPoints", nullptr, nullptr, &CustomPlotSettings::maxPoints},
    {"MaxVisible", nullptr, nullptr, &CustomPlotSettings::maxVisible},
};

struct GraphRow {
    const char *tag;
    quint32 CPGraphSettings::*number;
};
const GraphRow kGraphRows[] = {
    {"CPGDevAddr", &CPGraphSettings::devAddr},
    {"CPGMsgId", &CPGraphSettings::msgId},
    {"CPGFieldRecId", &CPGraphSettings::fieldRecId},
};

struct WatchRow {
    const char *tag;
    quint32 FieldViewSettings::*number;
};
const WatchRow kWatchRows[] = {
    {"FVDevAddress", &FieldViewSettings::devAddress},
    {"FVMsgId", &FieldViewSettings::msgId},
    {"FVFieldId", &FieldViewSettings::fieldId},
};

} // namespace

QList<RackFileEntry> RackFileContents::entriesOf(RackFileEntry::Kind kind) const
{
    QList<RackFileEntry> list;
    for (const RackFileEntry &e : entries)
        if (e.kind == kind)
            list << e;
    return list;
}

RackFileReader::RackFileReader(QXmlStreamReader *reader) : xml(reader) {}

RackFileContents RackFileReader::read(QIODevice *device)
{
    QXmlStreamReader reader(device);
    RackFileReader r(&reader);
    r.readDocument();
    return r.result;
}

RackFileContents RackFileReader::read(const QByteArray &bytes)
{
    QXmlStreamReader reader(bytes);
    RackFileReader r(&reader);
    r.readDocument();
    return r.result;
}

void RackFileReader::readDocument()
{
    xml->readNext();
    while (!xml->atEnd()) {
        if (xml->isStartElement() && xml->name() == QLatin1String("InstrumentRack"))
            readRackSection();
        xml->readNext();
    }
    if (xml->hasError())
        result.xmlError = xml->errorString();
}

void RackFileReader::readRackSection()
{
    while (!xml->atEnd()) {
        // The first end tag that no element reader took ends the section.
        if (xml->isEndElement())
            return;
        if (xml->isStartElement()) {
            const QStringRef name = xml->name();
            if (name == QLatin1String("CustomPlot")) {
                ReadPlotSettingsElement(xml);
            } else if (name == QLatin1String("RackName")) {
                RackFileEntry e;
                e.kind = RackFileEntry::Name;
                // An element inside the name is an XML error that ends the
                // reading; the text before it still names the rack.
                e.text = xml->readElementText();
                result.entries << e;
            } else if (name == QLatin1String("CommandButton")) {
                readButtonSettingsElement(xml);
            } else if (name == QLatin1String("FieldView")) {
                readWatchSettingsElement(xml);
            }
        }
        xml->readNext();
    }
}

void RackFileReader::ReadPlotSettingsElement(QXmlStreamReader *reader)
{
    RackFileEntry e;
    e.kind = RackFileEntry::Plot;
    CustomPlotSettings &s = e.plot;
    // One record serves every graph of the plot, so a graph that lacks a
    // number keeps the one the graph before it gave.
    CPGraphSettings graph;
    const bool whole = readChildren(reader, "CustomPlot", [&](const QStringRef &name) {
        if (name == QLatin1String("CPGraph")) {
            if (readGraphSettingsElement(reader, &graph)) {
                e.graphs << graph;
            } else {
                RackFileEntry problem;
                problem.text = tr("error parsing graph settings for pannel %1").arg(s.title);
                result.entries << problem;
            }
            return;
        }
        const PlotRow *row = xmlRowFor(kPlotRows, name);
        if (!row)
            return;
        const QString value = reader->readElementText();
        if (row->text)
            (s.*row->text).append(value);
        else if (row->number)
            s.*row->number = int32Of(value);
        else if (row->real)
            s.*row->real = doubleOf(value);
        else
            s.legend = value == QLatin1String("1");
    });
    if (whole)
        result.entries << e;
}

bool RackFileReader::readGraphSettingsElement(QXmlStreamReader *reader, CPGraphSettings *graph)
{
    return readChildren(reader, "CPGraph", [&](const QStringRef &name) {
        if (const GraphRow *row = xmlRowFor(kGraphRows, name))
            graph->*row->number = quint32(int32Of(reader->readElementText()));
    });
}

bool RackFileReader::readButtonSettingsElement(QXmlStreamReader *reader)
{
    RackFileEntry e;
    e.kind = RackFileEntry::Button;
    const bool whole = readChildren(reader, "CommandButton", [&](const QStringRef &name) {
        if (name == QLatin1String("Title"))
            e.button.title.append(reader->readElementText());
        else if (name == QLatin1String("Description"))
            e.button.description.append(reader->readElementText());
        else if (name == QLatin1String("CommandPacket"))
            e.commandLines << reader->readElementText();
    });
    if (!whole)
        e.kind = RackFileEntry::GivenUpButton;
    if (whole || !e.commandLines.isEmpty())
        result.entries << e;
    return whole;
}

bool RackFileReader::readWatchSettingsElement(QXmlStreamReader *reader)
{
    RackFileEntry e;
    e.kind = RackFileEntry::Watch;
    const bool whole = readChildren(reader, "FieldView", [&](const QStringRef &name) {
        if (const WatchRow *row = xmlRowFor(kWatchRows, name))
            e.watch.*row->number = quint32(int32Of(reader->readElementText()));
    });
    if (whole)
        result.entries << e;
    return whole;
}

QByteArray writeRackFile(const RackFileContents &contents)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QXmlStreamWriter w(&buffer);
    w.setAutoFormatting(true);
    w.writeStartDocument();
    w.writeStartElement(QStringLiteral("InstrumentRack"));

    QString name;
    for (const RackFileEntry &e : contents.entries)
        if (e.kind == RackFileEntry::Name)
            name = e.text;
    w.writeTextElement(QStringLiteral("RackName"), name);

    for (const RackFileEntry &e : contents.entries) {
        if (e.kind != RackFileEntry::Plot)
            continue;
        const CustomPlotSettings &s = e.plot;
        w.writeStartElement(QStringLiteral("CustomPlot"));
        w.writeTextElement(QStringLiteral("Title"), s.title);
        w.writeTextElement(QStringLiteral("Legend"),
                           s.legend ? QStringLiteral("1") : QStringLiteral("0"));
        w.writeTextElement(QStringLiteral("XName"), s.xName);
        w.writeTextElement(QStringLiteral("XMin"), QString::number(s.xMin));
        w.writeTextElement(QStringLiteral("XMax"), QString::number(s.xMax));
        w.writeTextElement(QStringLiteral("YName"), s.yName);
        w.writeTextElement(QStringLiteral("YMin"), QString::number(s.yMin));
        w.writeTextElement(QStringLiteral("YMax"), QString::number(s.yMax));
        w.writeTextElement(QStringLiteral("MaxPoints"), QString::number(s.maxPoints, 'g', 6));
        w.writeTextElement(QStringLiteral("MaxVisible"), QString::number(s.maxVisible, 'g', 6));
        for (const CPGraphSettings &g : e.graphs) {
            w.writeStartElement(QStringLiteral("CPGraph"));
            w.writeTextElement(QStringLiteral("CPGDevAddr"), QString::number(g.devAddr));
            w.writeTextElement(QStringLiteral("CPGMsgId"), QString::number(g.msgId));
            w.writeTextElement(QStringLiteral("CPGFieldRecId"), QString::number(g.fieldRecId));
            w.writeEndElement();
        }
        w.writeEndElement();
    }

    for (const RackFileEntry &e : contents.entries) {
        if (e.kind != RackFileEntry::Button)
            continue;
        w.writeStartElement(QStringLiteral("CommandButton"));
        w.writeTextElement(QStringLiteral("Title"), e.button.title);
        w.writeTextElement(QStringLiteral("Description"), e.button.description);
        for (const QString &line : e.commandLines)
            w.writeTextElement(QStringLiteral("CommandPacket"), line);
        w.writeEndElement();
    }

    for (const RackFileEntry &e : contents.entries) {
        if (e.kind != RackFileEntry::Watch)
            continue;
        w.writeStartElement(QStringLiteral("FieldView"));
        w.writeTextElement(QStringLiteral("FVDevAddress"), QString::number(e.watch.devAddress));
        w.writeTextElement(QStringLiteral("FVMsgId"), QString::number(e.watch.msgId));
        w.writeTextElement(QStringLiteral("FVFieldId"), QString::number(e.watch.fieldId));
        w.writeEndElement();
    }

    // The root is closed by hand: ending the document would add a final
    // line break that rack files do not have.
    w.writeEndElement();
    return bytes;
}
