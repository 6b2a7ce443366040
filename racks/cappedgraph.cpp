#include "cappedgraph.h"

#include <algorithm>
#include <cmath>

void CappedGraphData::removeFirst(int n)
{
    n = qBound(0, n, size());
    mPreallocSize += n;
    if (mAutoSqueeze)
        performAutoSqueeze();
}

void CappedGraphData::addBeforeEqualKeys(const QCPGraphData &point)
{
    // Above the last key (or NaN, which the library appends) and below the
    // first one the library's quick append and prepend serve.
    if (isEmpty() || !(point.key <= (constEnd() - 1)->key) || point.key < constBegin()->key) {
        add(point);
        return;
    }
    mData.insert(std::lower_bound(begin(), end(), point, qcpLessThanSortKey<QCPGraphData>), point);
}

CappedGraph::CappedGraph(QCPAxis *keyAxis, QCPAxis *valueAxis)
    : QCPGraph(keyAxis, valueAxis), mStore(new CappedGraphData)
{
    setData(mStore);
}

int CappedGraph::pointsOverCap(int count, double cap)
{
    // NaN fails the comparison and so never trims. A cap far below zero (or
    // minus infinity) would make count - cap overflow an int: nothing beyond
    // the points held can be dropped anyway.
    if (cap == 0 || !(double(count) > cap))
        return 0;
    const double over = std::trunc(double(count) - cap);
    return over >= double(count) ? count : int(over);
}

CappedGraphData *CappedGraph::store()
{
    // Whoever replaces the graph's container through setData takes the cap
    // with it; the points are carried over once so that trimming goes on.
    if (mDataContainer.data() != mStore.data()) {
        QSharedPointer<CappedGraphData> fresh(new CappedGraphData);
        fresh->set(*data());
        mStore = fresh;
        setData(mStore);
    }
    return mStore.data();
}

void CappedGraph::addPoint(double key, double value)
{
    CappedGraphData *points = store();
    points->removeFirst(pointsOverCap(points->size(), mDataMaxSize));
    points->addBeforeEqualKeys(QCPGraphData(key, value));
}
