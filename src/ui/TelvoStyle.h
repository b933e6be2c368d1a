#pragma once

#include "ui/Style.h"

// The telvo look: soft grey surfaces and a deep teal for actions.
class TelvoStyle : public Style
{
    Q_OBJECT
public:
    explicit TelvoStyle(QObject *parent = nullptr);

    ColorMap colorMap() const override;
    QStringList styleSheetNames() const override;
};
