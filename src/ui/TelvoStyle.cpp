#include "ui/TelvoStyle.h"

TelvoStyle::TelvoStyle(QObject *parent)
    : Style(parent)
{
    setObjectName(QStringLiteral("TelvoStyle"));
}

Style::ColorMap TelvoStyle::colorMap() const
{
    static const std::pair<const char *, const char *> colors[] = {
        {"BG_COLOR", "#F4F6F6"},
        {"CONTENT_BG_COLOR", "#FFFFFF"},
        {"LIGHTER_BG_COLOR", "#F9FBFB"},
        {"LIGHT_BG_COLOR", "#EBF0F0"},
        {"STATUS_BAR_COLOR", "#E8EEEE"},
        {"MAIN_TAB_COLOR", "#4A5A5A"},
        {"MAIN_TAB_BG_COLOR", "#E8EEEE"},
        {"MAIN_TAB_SELECTED_COLOR", "#00695C"},
        {"MAIN_TAB_SELECTED_BG_COLOR", "#FFFFFF"},
        {"LIGHT_CONTROL_COLOR", "#CBD6D5"},
        {"LIGHT_HOVER_COLOR", "#E0F0EE"},
        {"COMBO_COLOR", "#FFFFFF"},
        {"DARK_HOVER_COLOR", "#138A7C"},
        {"DARK_CONTROL_COLOR", "#00796B"},
        {"DARK_ACTIVE_CONTROL_COLOR", "#004D43"},
        {"SUCCESS_COLOR", "#2E9D4F"},
        {"ERROR_COLOR", "#C62828"},
        {"STATUS_UNKNOWN_COLOR", "#8E9C9B"},
        {"ERROR_BG_COLOR", "#FDECEA"},
        {"TOOLTIP_BG_COLOR", "#263333"},
        {"COLORFUL_CONTROL_COLOR", "#00897B"},
        {"COLORFUL_HOVER_COLOR", "#00695C"},
        {"SLIDER_START_COLOR", "#00897B"},
        {"SLIDER_END_COLOR", "#4DB6AC"},
        {"SLIDER_GROOVE_COLOR", "#D5DEDD"},
        {"SLIDER_HANDLE_BG_COLOR", "#FFFFFF"},
        {"SLIDER_HANDLE_COLOR", "#00796B"},
        {"SLIDER_HANDLE_HOVER_BG_COLOR", "#E0F0EE"},
        {"SLIDER_HANDLE_HOVER_COLOR", "#004D43"},
        {"LIGHT_TEXT_COLOR", "#FFFFFF"},
        {"MEDIUM_TEXT_COLOR", "#5C6B6A"},
        {"MAIN_TEXT_COLOR", "#1E2B2A"},
        {"CONTROL_TEXT_COLOR", "#1E2B2A"},
        {"COMBO_TEXT_COLOR", "#1E2B2A"},
        {"BUTTON_BGCOLOR", "#00796B"},
        {"BUTTON_COLOR", "#FFFFFF"},
        {"BUTTON_HOVER_BGCOLOR", "#00897B"},
        {"BUTTON_HOVER_COLOR", "#FFFFFF"},
        {"BUTTON_PRESSED_BGCOLOR", "#004D43"},
        {"BUTTON_PRESSED_COLOR", "#FFFFFF"},
        {"BUTTON_DISABLED_BGCOLOR", "#DDE4E3"},
        {"BUTTON_DISABLED_COLOR", "#8E9C9B"},
        {"BUTTON_BORDER_RADIUS", "12px"},
    };
    ColorMap map;
    for (const auto &c : colors)
        map.append(qMakePair(QString::fromLatin1(c.first), QString::fromLatin1(c.second)));
    return map;
}

QStringList TelvoStyle::styleSheetNames() const
{
    return QStringList{QStringLiteral("telvo/common"), QStringLiteral("telvo/paddings")} + commonStyleSheetNames();
}
