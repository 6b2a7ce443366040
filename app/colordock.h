#ifndef COLORDOCK_H
#define COLORDOCK_H

#include <QFrame>
#include <QSize>
#include <QString>

class QSpinBox;

// A spin box child of `parent` ranging from -1 (meaning "none") to `max`.
QSpinBox *createSpinBox(int value, QWidget *parent, int max);

// The blank content frame every ColorSwatch is born with. It carries the
// size hints that its dialog lets the operator change; once a tool window
// puts its own content into the dock this frame stays behind as a hidden
// child, and its dialog still reaches the dock's maximum size.
class ColorDock : public QFrame
{
    Q_OBJECT
public:
    explicit ColorDock(const QString &name, QWidget *parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    void setCustomSizeHint(const QSize &size);

public slots:
    void changeSizeHints();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_name;
    QSize m_sizeHint;
    QSize m_minimumSizeHint;
};

#endif // COLORDOCK_H
