#include "ostrelconfigdata.h"

#include "atomicwrite.h"
#include "xmlreadhelpers.h"

#include <QBuffer>
#include <QDate>
#include <QDebug>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTableWidget>
#include <QTextStream>
#include <QVBoxLayout>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <algorithm>
#include <cstdio>

namespace
{

const QString kDeviceDesc = QStringLiteral("DeviceDesc");
const QString kZedorirMap = QStringLiteral("ZedorirMap");
const QString kInstrumentRack = QStringLiteral("InstrumentRack");

// The file reader reports on standard output, not through the message
// handler: it runs before the handler is installed.
void printOut(const QString &text)
{
    QTextStream out(stdout);
    out << text;
    out.flush();
}

QString configFilePath()
{
    return QDir::cleanPath(QStringLiteral("resources") + QDir::separator() +
                           QStringLiteral("config.xml"));
}

} // namespace

OstrelConfigData::OstrelConfigData(QString *fileName, QObject *parent) : QObject(parent)
{
    // A missing or broken file leaves whatever was read; defaults apply.
    fromXMLFile(fileName);
    slotShowDialog();
}

OstrelConfigData::~OstrelConfigData()
{
    delete m_dialog.data();
}

int OstrelConfigData::fromXMLFile(QString *fileName)
{
    if (!fileName || fileName->isEmpty()) {
        printOut(tr("Usage: xmlstreamlint <path to XML file>\n"));
        return -10;
    }
    const QString path = *fileName;
    if (!QFile::exists(path)) {
        printOut(tr("File %1 does not exist.\n").arg(path));
        return -20;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        printOut(tr("Failed to open file %1.\n").arg(path));
        return -20;
    }

    // A flat scan of the tokens: elements count wherever they stand, and
    // unknown ones are passed over together with their text.
    QXmlStreamReader reader(&file);
    bool configSeen = false;
    QString name;
    QString description;
    QString value;
    XmlLeafWalk walk(reader);

    while (walk.next()) {
        const QXmlStreamReader::TokenType token = reader.tokenType();
        if (reader.hasError()) {
            printOut(tr("Error: %1 in file %2 at line %3, column %4.\n")
                         .arg(reader.errorString(), path)
                         .arg(reader.lineNumber())
                         .arg(reader.columnNumber()));
            return -30;
        }

        if (token == QXmlStreamReader::StartElement) {
            const QStringRef tag = reader.name();
            if (tag == QLatin1String("Config")) {
                configSeen = true;
            } else if (tag == QLatin1String("Parameter")) {
                if (!configSeen) {
                    printOut(tr("Bad file format\n"));
                    return -20;
                }
                name.clear();
                description.clear();
                value.clear();
            } else if (tag == QLatin1String("ParmName")) {
                name += walk.leafText();
            } else if (tag == QLatin1String("ParmDesc")) {
                description += walk.leafText();
            } else if (tag == QLatin1String("ParmValue")) {
                value += walk.leafText();
            }
        } else if (token == QXmlStreamReader::EndElement &&
                   reader.name() == QLatin1String("Parameter")) {
            addEntry(name, value, description, true);
            appendToList(name, value);
        }
    }
    return 0;
}

void OstrelConfigData::addEntry(const QString &name, const QString &value,
                                const QString &description, bool fromFile)
{
    m_entries.append(Entry{name, value, description, fromFile});
    m_lastEntry.insert(name, m_entries.size() - 1);
}

void OstrelConfigData::appendToList(const QString &name, const QString &value)
{
    if (name == kDeviceDesc)
        m_deviceDescList.append(value);
    else if (name == kZedorirMap)
        m_zedorirMapList.append(value);
    else if (name == kInstrumentRack)
        m_instrumentRackList.append(value);
}

QString OstrelConfigData::descriptionOf(const QString &name) const
{
    for (int i = m_entries.size() - 1; i >= 0; --i) {
        if (m_entries.at(i).fromFile && m_entries.at(i).name == name)
            return m_entries.at(i).description;
    }
    return QString();
}

QVector<int> OstrelConfigData::orderedEntries() const
{
    QVector<int> order(m_entries.size());
    for (int i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [this](int a, int b) { return m_entries.at(a).name < m_entries.at(b).name; });
    return order;
}

void OstrelConfigData::appendFromArgs(int argc, char **argv)
{
    if (!argv)
        return;
    // argv[0] is the program; an odd last argument has no value and is dropped.
    for (int i = 1; i + 1 < argc; i += 2) {
        const QString name = QString::fromLatin1(argv[i]);
        const QString value = QString::fromLatin1(argv[i + 1]);
        const auto last = m_lastEntry.constFind(name);
        if (last == m_lastEntry.constEnd())
            addEntry(name, value, QString(), false);
        else
            m_entries[last.value()].value = value;
        appendToList(name, value);
    }
}

bool OstrelConfigData::existParameter(QString name) const
{
    return m_lastEntry.contains(name);
}

QString OstrelConfigData::getParameter(QString name) const
{
    const auto last = m_lastEntry.constFind(name);
    if (last == m_lastEntry.constEnd())
        return QString();
    return m_entries.at(last.value()).value;
}

void OstrelConfigData::saveToFile(QString fileName)
{
    // The whole file is built first and replaces the old one only once it is
    // written in full: a failed save keeps the operator's configuration.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QXmlStreamWriter writer(&buffer);
    writer.setAutoFormatting(true);
    writer.writeStartDocument();
    writer.writeStartElement(QStringLiteral("Config"));
    writer.writeTextElement(QStringLiteral("ConfigVer"), QStringLiteral("2"));
    // The C locale keeps the digits ASCII whatever the desktop's locale is.
    writer.writeTextElement(
        QStringLiteral("ConfigDate"),
        QLocale::c().toString(QDate::currentDate(), QStringLiteral("dd.MM.yyyy")));
    // Entries of one name go out in reading order, so the value in force now
    // is again the one read last when the file is read back.
    for (int index : orderedEntries()) {
        const Entry &entry = m_entries.at(index);
        writer.writeStartElement(QStringLiteral("Parameter"));
        writer.writeTextElement(QStringLiteral("ParmName"), entry.name);
        writer.writeTextElement(QStringLiteral("ParmDesc"), descriptionOf(entry.name));
        writer.writeTextElement(QStringLiteral("ParmValue"), entry.value);
        writer.writeEndElement();
    }
    writer.writeEndElement();
    writer.writeEndDocument();
    writeFileAtomicallyOrReport(fileName, bytes);
}

void OstrelConfigData::slotShowDialog()
{
    if (m_dialog)
        return;

    m_dialog = new QDialog;
    m_dialog->setModal(true);
    m_dialog->setWindowTitle(tr("Parameters"));
    m_dialog->resize(800, 600);

    auto *layout = new QVBoxLayout(m_dialog);

    auto *title = new QLabel(tr("Application parameters:\n"), m_dialog);
    title->setAlignment(Qt::AlignCenter);
    layout->addWidget(title, 0, Qt::AlignLeft);
    auto *note = new QLabel(m_dialog);
    note->setAlignment(Qt::AlignLeft);
    layout->addWidget(note, 0, Qt::AlignLeft);

    m_table = new QTableWidget(0, 3, m_dialog);
    m_table->setHorizontalHeaderLabels({tr("Name"), tr("Value"), tr("Description")});
    m_table->setColumnWidth(0, 120);
    m_table->setColumnWidth(1, 280);
    m_table->setColumnWidth(2, 400);
    // The style's minimum follows the font and would otherwise win over 20.
    QHeaderView *rows = m_table->verticalHeader();
    rows->setMinimumSectionSize(qMin(rows->minimumSectionSize(), 20));
    rows->setDefaultSectionSize(20);
    layout->addWidget(m_table);

    auto *buttonRow = new QWidget(m_dialog);
    buttonRow->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto *buttons = new QHBoxLayout(buttonRow);
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->addStretch();
    auto *cancel = new QPushButton(tr("Cancel"), buttonRow);
    cancel->setFixedWidth(60);
    buttons->addWidget(cancel, 0, Qt::AlignRight);
    auto *ok = new QPushButton(tr("Ok"), buttonRow);
    ok->setFixedWidth(60);
    buttons->addWidget(ok, 0, Qt::AlignRight);
    layout->addWidget(buttonRow);

    connect(cancel, &QPushButton::pressed, m_dialog.data(), &QDialog::close);
    connect(ok, &QPushButton::pressed, this, &OstrelConfigData::slotOkButtonPressed);

    // Each row is inserted on top, so the list reads in descending name
    // order; a row keeps the index of the entry it edits.
    for (int index : orderedEntries()) {
        const Entry &entry = m_entries.at(index);
        m_table->insertRow(0);
        auto *nameItem = new QTableWidgetItem(entry.name);
        nameItem->setFlags(nameItem->flags() & ~Qt::ItemIsEditable);
        nameItem->setData(Qt::UserRole, index);
        m_table->setItem(0, 0, nameItem);
        m_table->setItem(0, 1, new QTableWidgetItem(entry.value));
        auto *descItem = new QTableWidgetItem(descriptionOf(entry.name));
        descItem->setFlags(descItem->flags() & ~Qt::ItemIsEditable);
        m_table->setItem(0, 2, descItem);
    }
}

int OstrelConfigData::updateFromDialog()
{
    if (!m_table)
        return 0;
    int changed = 0;
    for (int row = m_table->rowCount() - 1; row >= 0; --row) {
        const QTableWidgetItem *nameItem = m_table->item(row, 0);
        const QTableWidgetItem *valueItem = m_table->item(row, 1);
        if (!nameItem || !valueItem)
            continue;
        const int index = nameItem->data(Qt::UserRole).toInt();
        if (index < 0 || index >= m_entries.size())
            continue;
        const QString value = valueItem->text();
        if (value == m_entries.at(index).value)
            continue;
        m_entries[index].value = value;
        ++changed;
        emit parmChanged(nameItem->text(), value);
    }
    if (changed)
        qDebug().noquote() << tr("%1 parameters updated").arg(changed);
    return changed;
}

void OstrelConfigData::slotOkButtonPressed()
{
    if (updateFromDialog() != 0)
        saveToFile(configFilePath());
    if (m_dialog)
        m_dialog->close();
}
