#include "rackfilereader.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <cmath>

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
    bool ok = false;
    const double v = text.toDouble(&ok);
    // "nan" and "inf" read as numbers, but no point cap can be either.
    return ok && std::isfinite(v) ? v : 0.0;
}

// Every reader below leaves an element at the first end tag that is not its
// own, and then stands just past that end tag.
bool giveUp(QXmlStreamReader *reader)
{
    reader->readNext();
    return false;
}

QString tr(const char *text)
{
    return QCoreApplication::translate("InstrumentRackSwatch", text);
}

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
                e.text = xml->readElementText();
                if (!xml->hasError())
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
    while (!reader->atEnd()) {
        reader->readNext();
        if (reader->isEndElement()) {
            if (reader->name() == QLatin1String("CustomPlot")) {
                result.entries << e;
                return;
            }
            giveUp(reader);
            return;
        }
        if (!reader->isStartElement())
            continue;
        const QStringRef name = reader->name();
        if (name == QLatin1String("CPGraph")) {
            if (readGraphSettingsElement(reader, &graph)) {
                e.graphs << graph;
            } else {
                RackFileEntry problem;
                problem.text = tr("error parsing graph settings for pannel %1").arg(s.title);
                result.entries << problem;
            }
            continue;
        }
        QString *text = nullptr;
        qint64 *number = nullptr;
        double *real = nullptr;
        if (name == QLatin1String("Title"))
            text = &s.title;
        else if (name == QLatin1String("XName"))
            text = &s.xName;
        else if (name == QLatin1String("YName"))
            text = &s.yName;
        else if (name == QLatin1String("XMin"))
            number = &s.xMin;
        else if (name == QLatin1String("XMax"))
            number = &s.xMax;
        else if (name == QLatin1String("YMin"))
            number = &s.yMin;
        else if (name == QLatin1String("YMax"))
            number = &s.yMax;
        else if (name == QLatin1String("MaxPoints"))
            real = &s.maxPoints;
        else if (name == QLatin1String("MaxVisible"))
            real = &s.maxVisible;
        else if (name != QLatin1String("Legend"))
            continue;
        const QString value = reader->readElementText();
        if (text)
            text->append(value);
        else if (number)
            *number = int32Of(value);
        else if (real)
            *real = doubleOf(value);
        else
            s.legend = value == QLatin1String("1");
    }
}

bool RackFileReader::readGraphSettingsElement(QXmlStreamReader *reader, CPGraphSettings *graph)
{
    while (!reader->atEnd()) {
        reader->readNext();
        if (reader->isEndElement()) {
            if (reader->name() == QLatin1String("CPGraph"))
                return true;
            return giveUp(reader);
        }
        if (!reader->isStartElement())
            continue;
        const QStringRef name = reader->name();
        quint32 *number = nullptr;
        if (name == QLatin1String("CPGDevAddr"))
            number = &graph->devAddr;
        else if (name == QLatin1String("CPGMsgId"))
            number = &graph->msgId;
        else if (name == QLatin1String("CPGFieldRecId"))
            number = &graph->fieldRecId;
        else
            continue;
        *number = quint32(int32Of(reader->readElementText()));
    }
    return false;
}

bool RackFileReader::readButtonSettingsElement(QXmlStreamReader *reader)
{
    RackFileEntry e;
    e.kind = RackFileEntry::Button;
    while (!reader->atEnd()) {
        reader->readNext();
        if (reader->isEndElement()) {
            if (reader->name() == QLatin1String("CommandButton")) {
                result.entries << e;
                return true;
            }
            return giveUp(reader);
        }
        if (!reader->isStartElement())
            continue;
        const QStringRef name = reader->name();
        if (name == QLatin1String("Title"))
            e.button.title.append(reader->readElementText());
        else if (name == QLatin1String("Description"))
            e.button.description.append(reader->readElementText());
        else if (name == QLatin1String("CommandPacket"))
            e.commandLines << reader->readElementText();
    }
    return false;
}

bool RackFileReader::readWatchSettingsElement(QXmlStreamReader *reader)
{
    RackFileEntry e;
    e.kind = RackFileEntry::Watch;
    while (!reader->atEnd()) {
        reader->readNext();
        if (reader->isEndElement()) {
            if (reader->name() == QLatin1String("FieldView")) {
                result.entries << e;
                return true;
            }
            return giveUp(reader);
        }
        if (!reader->isStartElement())
            continue;
        const QStringRef name = reader->name();
        quint32 *number = nullptr;
        if (name == QLatin1String("FVDevAddress"))
            number = &e.watch.devAddress;
        else if (name == QLatin1String("FVMsgId"))
            number = &e.watch.msgId;
        else if (name == QLatin1String("FVFieldId"))
            number = &e.watch.fieldId;
        else
            continue;
        *number = quint32(int32Of(reader->readElementText()));
    }
    return false;
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
