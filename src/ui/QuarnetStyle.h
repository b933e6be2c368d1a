#pragma once

#include "ui/Style.h"

// The quarnet look: white surfaces, a calm blue for actions, green for success.
class QuarnetStyle : public Style
{
    Q_OBJECT
public:
    explicit QuarnetStyle(QObject *parent = nullptr);

    ColorMap colorMap() const override;
    QStringList styleSheetNames() const override;
};
