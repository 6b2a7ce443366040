#ifndef OSTRELCONFIGDATA_H
#define OSTRELCONFIGDATA_H

#include <QDialog>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVector>

class QTableWidget;

// The application's configuration: named text parameters read once from
// "config.xml", then completed or overridden by NAME VALUE pairs from the
// command line, plus the "Parameters" dialog that edits them and writes the
// file back. One instance lives for the whole run; everything else reads its
// settings through existParameter()/getParameter().
//
// A name may be defined more than once in the file; every definition is kept
// and the one read last is in force.
class OstrelConfigData : public QObject
{
    Q_OBJECT

public:
    OstrelConfigData(QString *fileName, QObject *parent = nullptr);
    ~OstrelConfigData() override;

    // 0 on success; -10 no path, -20 missing/unopenable file or a
    // "Parameter" before "Config", -30 malformed XML. Messages go to stdout.
    int fromXMLFile(QString *fileName);
    void saveToFile(QString fileName);
    void appendFromArgs(int argc, char **argv);

    bool existParameter(QString name) const;
    // The value read last under `name`; a null string when not defined.
    QString getParameter(QString name) const;

    // Every value given under "ZedorirMap", "DeviceDesc" and
    // "InstrumentRack", file first, then command line, in order of appearance.
    const QList<QString> &zedorirMapList() const { return m_zedorirMapList; }
    const QList<QString> &deviceDescList() const { return m_deviceDescList; }
    const QList<QString> &instrumentRackList() const { return m_instrumentRackList; }

    QDialog *configDialog() const { return m_dialog.data(); }
    // Applies the dialog's Value cells; returns how many parameters changed.
    int updateFromDialog();

public slots:
    void slotShowDialog();
    void slotOkButtonPressed();

signals:
    void parmChanged(QString name, QString value);

private:
    struct Entry {
        QString name;
        QString value;
        QString description;
        bool fromFile;
    };

    void addEntry(const QString &name, const QString &value, const QString &description,
                  bool fromFile);
    void appendToList(const QString &name, const QString &value);
    QString descriptionOf(const QString &name) const;
    // Entry indices by name, and in reading order among entries of one name,
    // so that writing and re-reading keeps the same value in force.
    QVector<int> orderedEntries() const;

    QVector<Entry> m_entries;        // in reading order; never shrinks
    QHash<QString, int> m_lastEntry; // name -> index of the entry read last
    QList<QString> m_zedorirMapList;
    QList<QString> m_deviceDescList;
    QList<QString> m_instrumentRackList;
    QPointer<QDialog> m_dialog; // no parent: the main window shows it
    QTableWidget *m_table = nullptr;
};

#endif // OSTRELCONFIGDATA_H
