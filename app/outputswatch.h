#ifndef OUTPUTSWATCH_H
#define OUTPUTSWATCH_H

#include "colorswatch.h"

// The "Output" dock; start-up puts the message window into it.
class OutputSwatch : public ColorSwatch
{
    Q_OBJECT
public:
    explicit OutputSwatch(const QString &name, QWidget *parent = nullptr,
                          Qt::WindowFlags flags = Qt::WindowFlags());
    ~OutputSwatch() override;
};

#endif // OUTPUTSWATCH_H
