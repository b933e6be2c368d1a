#pragma once

#include "ui/Style.h"

// The pardine look: warm paper surfaces, slate text and a terracotta accent.
class PardineStyle : public Style
{
    Q_OBJECT
public:
    explicit PardineStyle(QObject *parent = nullptr);

    ColorMap colorMap() const override;
    QStringList styleSheetNames() const override;
};
