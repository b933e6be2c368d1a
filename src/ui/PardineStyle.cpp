#include "ui/PardineStyle.h"

PardineStyle::PardineStyle(QObject *parent)
    : Style(parent)
{
    setObjectName(QStringLiteral("PardineStyle"));
}

Style::ColorMap PardineStyle::colorMap() const
{
    static const std::pair<const char *, const char *> colors[] = {
        {"BG_COLOR", "#FBF8F4"},
        {"CONTENT_BG_COLOR", "#FFFFFF"},
        {"LIGHTER_BG_COLOR", "#FDFBF8"},
        {"LIGHT_BG_COLOR", "#F3EDE6"},
        {"STATUS_BAR_COLOR", "#F3EDE6"},
        {"MAIN_TAB_COLOR", "#5E5650"},
        {"MAIN_TAB_BG_COLOR", "#F3EDE6"},
        {"MAIN_TAB_SELECTED_COLOR", "#B4532A"},
        {"MAIN_TAB_SELECTED_BG_COLOR", "#FFFFFF"},
        {"LIGHT_CONTROL_COLOR", "#DDD3C8"},
        {"LIGHT_HOVER_COLOR", "#F7E9E1"},
        {"COMBO_COLOR", "#FFFFFF"},
        {"DARK_HOVER_COLOR", "#C8653A"},
        {"DARK_CONTROL_COLOR", "#B4532A"},
        {"DARK_ACTIVE_CONTROL_COLOR", "#8A3D1D"},
        {"SUCCESS_COLOR", "#4C9A2A"},
        {"ERROR_COLOR", "#B3261E"},
        {"STATUS_UNKNOWN_COLOR", "#A39A92"},
        {"ERROR_BG_COLOR", "#FBEAE8"},
        {"TOOLTIP_BG_COLOR", "#3A332E"},
        {"COLORFUL_CONTROL_COLOR", "#C8653A"},
        {"COLORFUL_HOVER_COLOR", "#B4532A"},
        {"SLIDER_START_COLOR", "#C8653A"},
        {"SLIDER_END_COLOR", "#E0A458"},
        {"SLIDER_GROOVE_COLOR", "#E6DDD3"},
        {"SLIDER_HANDLE_BG_COLOR", "#FFFFFF"},
        {"SLIDER_HANDLE_COLOR", "#B4532A"},
        {"SLIDER_HANDLE_HOVER_BG_COLOR", "#F7E9E1"},
        {"SLIDER_HANDLE_HOVER_COLOR", "#8A3D1D"},
        {"LIGHT_TEXT_COLOR", "#FFFFFF"},
        {"MEDIUM_TEXT_COLOR", "#6F665F"},
        {"MAIN_TEXT_COLOR", "#2E2925"},
        {"CONTROL_TEXT_COLOR", "#2E2925"},
        {"COMBO_TEXT_COLOR", "#2E2925"},
        {"BUTTON_BGCOLOR", "#B4532A"},
        {"BUTTON_COLOR", "#FFFFFF"},
        {"BUTTON_HOVER_BGCOLOR", "#C8653A"},
        {"BUTTON_HOVER_COLOR", "#FFFFFF"},
        {"BUTTON_PRESSED_BGCOLOR", "#8A3D1D"},
        {"BUTTON_PRESSED_COLOR", "#FFFFFF"},
        {"BUTTON_DISABLED_BGCOLOR", "#EAE3DB"},
        {"BUTTON_DISABLED_COLOR", "#A39A92"},
        {"BUTTON_BORDER_RADIUS", "6px"},
    };
    ColorMap map;
    for (const auto &c : colors)
        map.append(qMakePair(QString::fromLatin1(c.first), QString::fromLatin1(c.second)));
    return map;
}

QStringList PardineStyle::styleSheetNames() const
{
    return QStringList{QStringLiteral("pardine/common"), QStringLiteral("pardine/paddings")} + commonStyleSheetNames();
}
