#ifndef CAPPEDGRAPH_H
#define CAPPEDGRAPH_H

#include <qcustomplot.h>

// The point store of a rack graph. The library's container keeps spare room
// in front of its first point, so dropping the lowest keys is only a move of
// that boundary; this gives the graph a way to drop exactly n points, which
// the library offers only by key (and a key may be held more than once).
//
// Among points of one key the one added last comes first, so that the cap,
// which drops from the front, takes the newer of two points at the lowest
// key. (The library's own add puts a point of the last key after its equals
// but one of any other key before them.)
class CappedGraphData : public QCPGraphDataContainer
{
public:
    void removeFirst(int n);
    void addBeforeEqualKeys(const QCPGraphData &point);
};

// A graph that holds at most its point cap plus one: before each single
// point is added, the points over the cap are dropped from the low end of
// the keys. A cap of 0 (or NaN) never drops anything; a negative cap drops
// everything held, so only the newest point stays. Setting the cap drops
// nothing until the next point arrives.
//
// Points reach a rack graph only through addPoint, the one capped way in;
// the library's own addData would bypass the cap.
class CappedGraph : public QCPGraph
{
    Q_OBJECT
public:
    CappedGraph(QCPAxis *keyAxis, QCPAxis *valueAxis);

    void setDataMaxSize(double cap) { mDataMaxSize = cap; }
    double dataMaxSize() const { return mDataMaxSize; }
    void addPoint(double key, double value);

    // How many points to drop before the next add, out of count held.
    static int pointsOverCap(int count, double cap);

private:
    CappedGraphData *store();

    double mDataMaxSize = 0;
    QSharedPointer<CappedGraphData> mStore;
};

#endif // CAPPEDGRAPH_H
