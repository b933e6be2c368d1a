#include "ui/QuarnetStyle.h"

QuarnetStyle::QuarnetStyle(QObject *parent)
    : Style(parent)
{
    setObjectName(QStringLiteral("QuarnetStyle"));
}

Style::ColorMap QuarnetStyle::colorMap() const
{
    static const std::pair<const char *, const char *> colors[] = {
        {"BG_COLOR", "#FFFFFF"},
        {"CONTENT_BG_COLOR", "#FFFFFF"},
        {"LIGHTER_BG_COLOR", "#F7F9FC"},
        {"LIGHT_BG_COLOR", "#EEF2F7"},
        {"STATUS_BAR_COLOR", "#F3F6FA"},
        {"MAIN_TAB_COLOR", "#4B5563"},
        {"MAIN_TAB_BG_COLOR", "#F3F6FA"},
        {"MAIN_TAB_SELECTED_COLOR", "#1D5FB4"},
        {"MAIN_TAB_SELECTED_BG_COLOR", "#FFFFFF"},
        {"LIGHT_CONTROL_COLOR", "#D3DAE3"},
        {"LIGHT_HOVER_COLOR", "#E9F0F9"},
        {"COMBO_COLOR", "#FFFFFF"},
        {"DARK_HOVER_COLOR", "#3B7DD8"},
        {"DARK_CONTROL_COLOR", "#1D5FB4"},
        {"DARK_ACTIVE_CONTROL_COLOR", "#154785"},
        {"SUCCESS_COLOR", "#70AC15"},
        {"ERROR_COLOR", "#C0392B"},
        {"STATUS_UNKNOWN_COLOR", "#9AA3AF"},
        {"ERROR_BG_COLOR", "#FCEDEB"},
        {"TOOLTIP_BG_COLOR", "#27313F"},
        {"COLORFUL_CONTROL_COLOR", "#2F7DE1"},
        {"COLORFUL_HOVER_COLOR", "#1D5FB4"},
        {"SLIDER_START_COLOR", "#2F7DE1"},
        {"SLIDER_END_COLOR", "#70AC15"},
        {"SLIDER_GROOVE_COLOR", "#DCE2EA"},
        {"SLIDER_HANDLE_BG_COLOR", "#FFFFFF"},
        {"SLIDER_HANDLE_COLOR", "#2F7DE1"},
        {"SLIDER_HANDLE_HOVER_BG_COLOR", "#E9F0F9"},
        {"SLIDER_HANDLE_HOVER_COLOR", "#1D5FB4"},
        {"LIGHT_TEXT_COLOR", "#FFFFFF"},
        {"MEDIUM_TEXT_COLOR", "#5F6B7A"},
        {"MAIN_TEXT_COLOR", "black"},
        {"CONTROL_TEXT_COLOR", "#1F2937"},
        {"COMBO_TEXT_COLOR", "#1F2937"},
        {"BUTTON_BGCOLOR", "#1D5FB4"},
        {"BUTTON_COLOR", "#FFFFFF"},
        {"BUTTON_HOVER_BGCOLOR", "#2F72C9"},
        {"BUTTON_HOVER_COLOR", "#FFFFFF"},
        {"BUTTON_PRESSED_BGCOLOR", "#154785"},
        {"BUTTON_PRESSED_COLOR", "#FFFFFF"},
        {"BUTTON_DISABLED_BGCOLOR", "#E3E8EF"},
        {"BUTTON_DISABLED_COLOR", "#9AA3AF"},
        {"BUTTON_BORDER_RADIUS", "4px"},
    };
    ColorMap map;
    for (const auto &c : colors)
        map.append(qMakePair(QString::fromLatin1(c.first), QString::fromLatin1(c.second)));
    return map;
}

QStringList QuarnetStyle::styleSheetNames() const
{
    return QStringList{QStringLiteral("quarnet/background-shield"), QStringLiteral("quarnet/common"), QStringLiteral("quarnet/paddings")} + commonStyleSheetNames();
}
