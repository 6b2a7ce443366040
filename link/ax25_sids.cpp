// SatNOGS SiDS submission and the two radio logs of AX25_connector.

#include "atomicwrite.h"
#include "ax25_connector.h"
#include "kiss.h"
#include "ostrelconfigdata.h"

#include <QDebug>
#include <QDir>
#include <QLocale>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>
#include <QUrlQuery>

#include <limits>

namespace
{

constexpr int kSourceAddressOffset = 8;
constexpr int kAddressEnd = kSourceAddressOffset + 6;
const char kLogFolder[] = "logs";

// Log names and time records are read back by programs, so their digits
// stay ASCII whatever the operator's locale writes numbers with.
QString logTime(const QDateTime &time, const char *format)
{
    return QLocale::c().toString(time, QLatin1String(format));
}

// The whole seconds of a UTC log time, as "yyyy-MM-dd hh:mm:ss". Frames may
// come by the thousand per second; each second's text is made once.
QByteArray logSecond(const QDateTime &time, int *msOfSecond)
{
    static qint64 second = std::numeric_limits<qint64>::min();
    static QByteArray text;
    const qint64 ms = time.toMSecsSinceEpoch();
    const qint64 s = ms / 1000 - (ms % 1000 < 0 ? 1 : 0);
    *msOfSecond = int(ms - s * 1000);
    if (time.timeSpec() != Qt::UTC)
        return logTime(time, "yyyy-MM-dd hh:mm:ss").toLatin1();
    if (s != second) {
        text = logTime(time, "yyyy-MM-dd hh:mm:ss").toLatin1();
        second = s;
    }
    return text;
}

QString parameterIfExists(OstrelConfigData *config, const QString &key)
{
    return config->existParameter(key) ? config->getParameter(key) : QString();
}

} // namespace

void AX25_connector::SiDS_init(OstrelConfigData *config)
{
    m_config = config;
    if (!config)
        return;
    m_callSign = parameterIfExists(config, QStringLiteral("SiDS_CallSign"));
    m_latitude = parameterIfExists(config, QStringLiteral("SiDS_latitude"));
    m_longitude = parameterIfExists(config, QStringLiteral("SiDS_longitude"));
    if (m_callSign.isEmpty() || m_latitude.isEmpty() || m_longitude.isEmpty())
        return;

    for (int i = 0; i < 2; ++i) {
        const QString callKey = QStringLiteral("SiDS_SatCallSign") + QString::number(i);
        const QString noradKey = QStringLiteral("SiDS_NORAD_id") + QString::number(i);
        if (config->existParameter(callKey) && config->existParameter(noradKey))
            m_satellites.insert(config->getParameter(callKey), config->getParameter(noradKey));
    }
    m_urlMain = parameterIfExists(config, QStringLiteral("SiDS_URL_main"));
    m_urlReserve = parameterIfExists(config, QStringLiteral("SiDS_URL_reserve"));

    // Frames heard by the station are lost for good when they are not
    // logged, so a missing folder is made rather than skipped.
    if (!QDir().mkpath(QLatin1String(kLogFolder))) {
        qWarning("Can't create the radio log folder %s; radio frames will not be logged\n",
                 kLogFolder);
        return;
    }
    m_logBase = QLatin1String(kLogFolder) + QLatin1Char('/') +
                logTime(QDateTime::currentDateTimeUtc(), "yyyy-MM-ddThh-mm-ss");
    auto csv = std::make_unique<QFile>(m_logBase + QStringLiteral(".satnogs.csv"));
    auto kss = std::make_unique<QFile>(m_logBase + QStringLiteral(".kss"));
    // Unbuffered: each frame's line and records leave in one write of their
    // own, so a frame is on disk as soon as it is handled and a failed write
    // is seen at once.
    const QIODevice::OpenMode mode =
        QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered;
    if (!csv->open(mode | QIODevice::Text) || !kss->open(mode)) {
        qWarning("Can't open the radio logs %s: %s; radio frames will not be logged\n",
                 qPrintable(m_logBase),
                 qPrintable(csv->isOpen() ? kss->errorString() : csv->errorString()));
        return;
    }
    m_csvFile = std::move(csv);
    m_kssFile = std::move(kss);
}

bool AX25_connector::sidsSubmissionConfigured() const
{
    return !m_satellites.isEmpty() && (!m_urlMain.isEmpty() || !m_urlReserve.isEmpty());
}

void AX25_connector::SiDS_submit(QByteArray &frame, QDateTime time)
{
    // A frame too short to hold a source address names no satellite.
    if (frame.size() < kAddressEnd || m_satellites.isEmpty())
        return;
    const QString call = AX25_CallSignToStr(
        reinterpret_cast<const unsigned char *>(frame.constData()) + kSourceAddressOffset);
    const auto sat = m_satellites.constFind(call);
    if (sat == m_satellites.constEnd())
        return;
    const QByteArray bare = frame.mid(1);
    if (!m_urlMain.isEmpty())
        SiDS_submit(bare, time, sat.value(), m_urlMain);
    if (!m_urlReserve.isEmpty())
        SiDS_submit(bare, time, sat.value(), m_urlReserve);
}

void AX25_connector::SiDS_submit(const QByteArray &bareFrame, const QDateTime &time,
                                 const QString &noradId, const QString &url)
{
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("noradID"), noradId);
    query.addQueryItem(QStringLiteral("source"), m_callSign);
    query.addQueryItem(QStringLiteral("locator"), QStringLiteral("longLat"));
    query.addQueryItem(QStringLiteral("longitude"), m_longitude);
    query.addQueryItem(QStringLiteral("latitude"), m_latitude);
    query.addQueryItem(QStringLiteral("version"), QStringLiteral("1.6.6"));
    query.addQueryItem(QStringLiteral("timestamp"), time.toUTC().toString(Qt::ISODateWithMs));
    query.addQueryItem(QStringLiteral("frame"), QString::fromLatin1(bareFrame.toHex().toUpper()));
    // A form body reads "+" as a blank: a latitude of "+55.75" would reach
    // the endpoint as " 55.75" and be rejected, so the sign goes encoded.
    QString text = query.toString(QUrl::FullyEncoded);
    text.replace(QLatin1Char('+'), QLatin1String("%2B"));

    QNetworkRequest request(QUrl(url + QLatin1Char('?') + text, QUrl::TolerantMode));
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QStringLiteral("application/x-www-form-urlencoded"));
    m_network.post(request, text.toUtf8());
}

void AX25_connector::writeLogs(const QByteArray &frame, const QDateTime &time)
{
    const QByteArray bare = frame.mid(1);
    int ms = 0;
    const QByteArray second = logSecond(time, &ms);
    QByteArray line;
    line.reserve(second.size() + 2 + bare.size() * 2);
    line.append(second).append('|').append(bare.toHex().toUpper()).append('\n');

    QByteArray records;
    records.reserve(second.size() + 12 + bare.size() * 2);
    records.append(char(KISS::FEND));
    records.append(char(0x09));
    if (time.timeSpec() == Qt::UTC) {
        records.append(second);
        records.append('.');
        records.append(QByteArray::number(ms).rightJustified(3, '0'));
        records.append(" UTC");
    } else {
        records.append(logTime(time, "yyyy-MM-dd hh:mm:ss.zzz UTC").toUtf8());
    }
    records.append(char(KISS::FEND));
    QByteArray data;
    data.reserve(2 + bare.size() * 2);
    data.append(char(KISS::FEND));
    data.append(char(0x00));
    data.append(bare);
    KISS::escape(data, 2);
    data.append(char(KISS::FEND));
    records.append(data);
    QString csvReason, kssReason;
    const bool csvWritten = writeWhole(*m_csvFile, line, &csvReason);
    const bool kssWritten = writeWhole(*m_kssFile, records, &kssReason);

    // A full disk or a vanished file must not drop frames from the logs
    // unseen; one warning per spell of failures, and every later frame is
    // tried again.
    if (kssWritten && csvWritten) {
        m_logWriteFailed = false;
        return;
    }
    if (!m_logWriteFailed)
        qWarning("Can't write the radio logs %s: %s; received frames are missing from them\n",
                 qPrintable(m_logBase), qPrintable(kssWritten ? csvReason : kssReason));
    m_logWriteFailed = true;
}
