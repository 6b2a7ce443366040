#ifndef OSTRELTABLERECORD_H
#define OSTRELTABLERECORD_H

#include "ostreldatamodel.h"
#include "ostrelmessage.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QMap>
#include <QMetaType>
#include <QString>
#include <QVariant>

#include <vector>

class TreeItem;
class TreeModel;

// Field values of one record, keyed by field number in ascending order.
//
// A history of ten thousand 32-field records would spend more on QMap nodes
// (one heap block per value) than on everything else of a record together,
// so the values sit in one sorted vector instead. The interface is the part
// of QMap<unsigned int, QVariant> that callers use, and the type converts to
// and from that QMap where one is needed.
class OstrelFieldValues
{
public:
    struct Entry {
        unsigned int key;
        QVariant value;
    };

    template <typename E, typename V> class Iter
    {
    public:
        Iter() = default;
        explicit Iter(E *e) : e_(e) {}
        unsigned int key() const { return e_->key; }
        V &value() const { return e_->value; }
        V &operator*() const { return e_->value; }
        V *operator->() const { return &e_->value; }
        Iter &operator++()
        {
            ++e_;
            return *this;
        }
        Iter operator++(int)
        {
            Iter t = *this;
            ++e_;
            return t;
        }
        Iter &operator--()
        {
            --e_;
            return *this;
        }
        bool operator==(const Iter &o) const { return e_ == o.e_; }
        bool operator!=(const Iter &o) const { return e_ != o.e_; }
        E *entry() const { return e_; }
        operator Iter<const Entry, const QVariant>() const
        {
            return Iter<const Entry, const QVariant>(e_);
        }

    private:
        E *e_ = nullptr;
    };
    using iterator = Iter<Entry, QVariant>;
    using const_iterator = Iter<const Entry, const QVariant>;

    OstrelFieldValues() = default;
    OstrelFieldValues(const QMap<unsigned int, QVariant> &map);
    operator QMap<unsigned int, QVariant>() const;

    int size() const { return int(entries.size()); }
    int count() const { return size(); }
    int count(unsigned int key) const { return contains(key) ? 1 : 0; }
    bool isEmpty() const { return entries.empty(); }
    void clear() { entries.clear(); }
    void reserve(int n) { entries.reserve(size_t(n)); }

    bool contains(unsigned int key) const { return findEntry(key) != nullptr; }
    QVariant value(unsigned int key, const QVariant &defaultValue = QVariant()) const;
    QVariant &operator[](unsigned int key);
    QVariant operator[](unsigned int key) const { return value(key); }
    iterator insert(unsigned int key, const QVariant &value);
    int remove(unsigned int key);
    QVariant take(unsigned int key);
    QList<unsigned int> keys() const;
    // Non-empty map only, as with QMap.
    unsigned int firstKey() const { return entries.front().key; }
    unsigned int lastKey() const { return entries.back().key; }
    QVariant &first() { return entries.front().value; }
    QVariant &last() { return entries.back().value; }
    const QVariant &first() const { return entries.front().value; }
    const QVariant &last() const { return entries.back().value; }
    QList<QVariant> values() const;

    iterator begin() { return iterator(entries.data()); }
    iterator end() { return iterator(entries.data() + entries.size()); }
    const_iterator begin() const { return constBegin(); }
    const_iterator end() const { return constEnd(); }
    const_iterator cbegin() const { return constBegin(); }
    const_iterator cend() const { return constEnd(); }
    const_iterator constBegin() const { return const_iterator(entries.data()); }
    const_iterator constEnd() const { return const_iterator(entries.data() + entries.size()); }
    iterator find(unsigned int key);
    iterator erase(iterator it);
    const_iterator find(unsigned int key) const { return constFind(key); }
    const_iterator constFind(unsigned int key) const;

    bool operator==(const OstrelFieldValues &o) const;
    bool operator!=(const OstrelFieldValues &o) const { return !(*this == o); }

private:
    const Entry *findEntry(unsigned int key) const;
    size_t lowerBound(unsigned int key) const;

    std::vector<Entry> entries;
};

// One message as the operator sees it: a received telemetry message, a
// command being edited, sent or queued. It joins the protocol message with
// its packet description and holds the value of every field.
//
// The record owns the data buffer of `message` (allocated with new[]) and
// releases it when destroyed; it never owns `packet` or `treeItem`. A record
// in a table belongs to that table; every other holder deletes its own.
// Records are not copyable: copyFromPacketTable makes a copy with its own
// buffer.
class OstrelTableRecord
{
public:
    // In: received from the spacecraft; Out: a command going to it.
    enum Direction : unsigned int { In = 0, Out = 1 };
    enum Status : unsigned int {
        New = 0,
        Ready = 1,
        Sending = 2,
        Sent = 3,
        ErrorTx = 4,
        Received = 5,
        ErrorRx = 6
    };

    OstrelTableRecord();
    explicit OstrelTableRecord(TreeItem *item);
    ~OstrelTableRecord();
    OstrelTableRecord(const OstrelTableRecord &) = delete;
    OstrelTableRecord &operator=(const OstrelTableRecord &) = delete;

    void fromOstrelTreeItem(TreeItem *item);
    void initFieldValues();
    void copyFieldValues(OstrelTableRecord *other);
    void copyOstrelMessage(tag_ostrel_message *msg);
    void deleteOstrelMessage();
    void copyFromPacketTable(OstrelTableRecord *other);

    void fillFromOstrelMsg(TreeModel *treeModel);
    void decomposeOstrelMessage();
    void composeOstrelMessage();
    QString toStr();
    bool fromStr(QString line, TreeModel *treeModel);

    static QString statusToStr(unsigned int status);
    QString statusStr() const { return statusToStr(status); }

    // Bit codec. A "bit byte" holds one bit in its lowest bit.
    static void expandBit2ByteData(QByteArray *out, QByteArray *in, int count, int start);
    static void compressByte2BitData(QByteArray *out, QByteArray *in, int count, bool mode);
    static QByteArray swapBytesInQByteArray(QByteArray *in);

    unsigned int recordId = 0;
    QDateTime created;
    QString createdBy;
    Direction direction = In;
    unsigned int status = New;
    unsigned int src = 0;
    unsigned int dst = 0;
    OstrelPacketRecord *packet = nullptr;
    TreeItem *treeItem = nullptr;
    OstrelPacketRecord packetHeader;
    ostrel_message message = {0, 0, 0, 0, nullptr};
    QByteArray data;
    unsigned int timeToSend = 0;
    OstrelFieldValues fieldValues;

private:
    static QString currentUser();
};

// Records cross signals by pointer (QSignalSpy, queued connections).
Q_DECLARE_METATYPE(OstrelTableRecord *)

#endif // OSTRELTABLERECORD_H
