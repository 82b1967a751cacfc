// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/PaletteHex.h"

#include <QColor>
#include <QString>

// Every colour the interface paints with, named for where it belongs. Several are a shade
// apart on purpose (each surface was tuned on its own); keep the values exact, the golden
// images hold them. The colours the GUI-free layers hand out as text are in PaletteHex.h.
namespace Palette {

// A colour given as fractions, rounded as QColor::fromRgbF rounds them.
constexpr QColor rgbF(float r, float g, float b, float a = 1.0f)
{
    const auto channel = [](float f) {
        return static_cast<ushort>(qRound(f * USHRT_MAX));
    };
    return QColor(QColor::Rgb, channel(a), channel(r), channel(g), channel(b));
}

// "RRGGBB", the form a colour takes where it travels as text (accentHex and the like).
inline QString hex(const QColor &color)
{
    return color.name(QColor::HexRgb).mid(1).toUpper();
}

// Window and page surfaces.
inline constexpr QColor pageBackground{0x09, 0x0A, 0x0F};
inline constexpr QColor windowBackground{0x0D, 0x10, 0x18};
inline constexpr QColor fieldBase{0x10, 0x13, 0x1B};
inline constexpr QColor card{0x10, 0x11, 0x16};
inline constexpr QColor quietCard{0x10, 0x12, 0x1A};
inline constexpr QColor quietCardBorder{0x22, 0x26, 0x35};
inline constexpr QColor cardBorder{0x26, 0x30, 0x44};
inline constexpr QColor cardDivider{0x20, 0x28, 0x39};
inline constexpr QColor rowBorder{0x20, 0x24, 0x31};
inline constexpr QColor rowHover{0x14, 0x17, 0x22};
inline constexpr QColor rowHoverBorder{0x34, 0x3A, 0x4A};
inline constexpr QColor shadow{0x05, 0x07, 0x0B};
inline constexpr QColor black{0x00, 0x00, 0x00};
inline constexpr QColor selection{0x26, 0x32, 0x4D};
inline constexpr QColor inputWell{0x10, 0x13, 0x1D};
inline constexpr QColor watchInputBorder{0x2A, 0x33, 0x48};
inline constexpr QColor sidebarBorder{0x24, 0x2B, 0x3C};
inline constexpr QColor stepsPanel{0x0F, 0x12, 0x1A};

// Gradients of the quote card, the detail strip and the empty workbench (start, middle; most end on
// card).
inline constexpr QColor quoteCardGradientStart{0x12, 0x1A, 0x2C};
inline constexpr QColor quoteCardGradientMiddle{0x0F, 0x14, 0x22};
inline constexpr QColor stripGradientStart{0x12, 0x1A, 0x28};
inline constexpr QColor stripGradientEnd{0x0E, 0x11, 0x18};
inline constexpr QColor workbenchGradientMiddle{0x0F, 0x12, 0x1B};

// Summary panel and its breadth bar.
inline constexpr QColor summaryGradientMiddle{0x11, 0x14, 0x1D};
inline constexpr QColor summaryGradientEnd{0x15, 0x10, 0x19};
inline constexpr QColor summaryBorder{0x2B, 0x31, 0x42};
inline constexpr QColor summaryHighlight{0x39, 0x41, 0x54};
inline constexpr QColor summaryDivider{0x25, 0x2A, 0x38};
inline constexpr QColor breadthTrack{0x15, 0x19, 0x27};
inline constexpr QColor breadthTrackBorder{0x20, 0x26, 0x38};
inline constexpr QColor breadthBar{0x1B, 0x1F, 0x2A};
inline constexpr QColor breadthTick{0x2A, 0x30, 0x40};
inline constexpr QColor breadthFlat{0x47, 0x50, 0x66};

// First-launch hint.
inline constexpr QColor firstLaunchHintFace{0x12, 0x17, 0x25};
inline constexpr QColor firstLaunchHintBackground{0x11, 0x18, 0x27};
inline constexpr QColor firstLaunchHintBorder{0x2C, 0x35, 0x49};
inline constexpr QColor firstLaunchHintTitle{0xDC, 0xE7, 0xFF};
inline constexpr QColor firstLaunchHintText{0x8F, 0x9B, 0xB4};

// Text levels, brightest first.
inline constexpr QColor brightText{0xF4, 0xF6, 0xFB};
inline constexpr QColor titleText{0xF4, 0xF4, 0xF5};
inline constexpr QColor suggestionTitle{0xF1, 0xF2, 0xF7};
inline constexpr QColor rowPrice{0xF1, 0xF3, 0xF8};
inline constexpr QColor tooltipText{0xE8, 0xED, 0xF7};
inline constexpr QColor metricValue{0xE7, 0xEC, 0xF6};
inline constexpr QColor emptyTitle{0xDD, 0xE4, 0xF3};
inline constexpr QColor rowName{0xDD, 0xE1, 0xEA};
inline constexpr QColor quoteName{0xDC, 0xE4, 0xF6};
inline constexpr QColor controlText{0xD7, 0xDA, 0xE5};
inline constexpr QColor emptyText{0xAA, 0xB1, 0xC3};
inline constexpr QColor moreDots{0xA6, 0xAB, 0xBA};
inline constexpr QColor secondaryText{0x85, 0x89, 0x9A};
inline constexpr QColor fieldLabel{0x85, 0x8B, 0x9E};
inline constexpr QColor contextBadgeTitle{0x7F, 0x8A, 0xA3};
inline constexpr QColor quietText{0x7E, 0x87, 0x9B};
inline constexpr QColor symbolText{0x77, 0x81, 0x97};
inline constexpr QColor subtleText{0x74, 0x7A, 0x8E};
inline constexpr QColor factTitle{0x6F, 0x7A, 0x91};
inline constexpr QColor byline{0x6F, 0x76, 0x88};
inline constexpr QColor timestampText{0x6E, 0x77, 0x8C};
inline constexpr QColor placeholderText{0x68, 0x6D, 0x80};
inline constexpr QColor disabledText{0x5F, 0x66, 0x78};
inline constexpr QColor statusNote{0x59, 0x61, 0x74};

// Rise red, fall green, flat grey; the light forms colour secondary figures.
inline constexpr QColor rise{0xF8, 0x71, 0x71};
inline constexpr QColor fall{0x34, 0xD3, 0x99};
inline constexpr QColor flat{0xA1, 0xA6, 0xB8};
inline constexpr QColor riseLight{0xFC, 0xA5, 0xA5};
inline constexpr QColor fallLight{0x6E, 0xE7, 0xB7};
inline constexpr QColor flatLight{0xC9, 0xD1, 0xE3};

// Accents and feedback.
inline constexpr QColor link{0x93, 0xC5, 0xFD};
inline constexpr QColor pendingBoardTag{0x93, 0xA4, 0xBF};
inline constexpr QColor focusIndigo{0x30, 0x3A, 0x72};
inline constexpr QColor scenarioDefense{0xA5, 0xB4, 0xFC};
inline constexpr QColor scenarioCurrent{0x7D, 0xD3, 0xFC};
inline constexpr QColor success{0x8F, 0xE6, 0xB2};
inline constexpr QColor warning{0xF6, 0xD9, 0x8A};
inline constexpr QColor error{0xF2, 0xA3, 0xA3};
// The bell of a row whose price conditions are armed.
inline constexpr QColor alertBell = warning;

// Badges and pills: market badge, board tag, context badge.
inline constexpr QColor badgeFill{0x14, 0x1B, 0x2B};
inline constexpr QColor badgeBorder{0x2C, 0x35, 0x4A};
inline constexpr QColor badgeText{0x9E, 0xAB, 0xC2};

// Buttons.
inline constexpr QColor buttonFace{0x15, 0x18, 0x23};
inline constexpr QColor buttonBorder{0x2A, 0x2F, 0x40};
inline constexpr QColor quietButtonBorder{0x24, 0x28, 0x37};
inline constexpr QColor primaryButtonFace{0x16, 0x20, 0x31};
inline constexpr QColor primaryButtonBorder{0x32, 0x48, 0x67};
inline constexpr QColor primaryButtonTitle{0xCF, 0xE1, 0xFF};
inline constexpr QColor selectedFace{0x18, 0x20, 0x33};
inline constexpr QColor selectedRowBorder{0x3B, 0x4A, 0x66};
inline constexpr QColor mainRowHover{0x15, 0x1B, 0x29};
inline constexpr QColor mainRowHoverBorder{0x3E, 0x4A, 0x60};
inline constexpr QColor testButtonFace{0x14, 0x1C, 0x2B};
inline constexpr QColor testButtonBorder{0x30, 0x40, 0x5F};
inline constexpr QColor testButtonTitle{0xBF, 0xD3, 0xFF};
inline constexpr QColor infoButtonFace{0x16, 0x1C, 0x28};
inline constexpr QColor metricHover{0x12, 0x18, 0x26};
inline constexpr QColor metricBorder{0x2A, 0x34, 0x48};
inline constexpr QColor removeButtonFace{0x1A, 0x11, 0x15};
inline constexpr QColor removeButtonBorder{0x45, 0x24, 0x2D};
inline constexpr QColor removeButtonTitle{0xF6, 0xA7, 0xAD};
inline constexpr QColor moveControlFace{0x12, 0x17, 0x22};
inline constexpr QColor moveControlBorder{0x2A, 0x31, 0x44};
inline constexpr QColor moveEnabled{0xB9, 0xC6, 0xDD};
inline constexpr QColor moveDisabled{0x4F, 0x58, 0x6C};
inline constexpr QColor stepNumber{0x6F, 0x89, 0xB4};
inline constexpr QColor focusRing{0x4C, 0x9A, 0xFF, 230};
inline constexpr QColor pressWash{0xFF, 0xFF, 0xFF, 14};

// The observation card (amber).
inline constexpr QColor insightGradientStart{0x21, 0x17, 0x0F};
inline constexpr QColor insightGradientMiddle{0x15, 0x12, 0x18};
inline constexpr QColor insightGradientEnd{0x11, 0x11, 0x16};
inline constexpr QColor insightBorder{0x3B, 0x2A, 0x1D};
inline constexpr QColor insightAmber{0xF0, 0xB4, 0x6A};
inline constexpr QColor insightSubtitle{0x9F, 0x89, 0x71};
inline constexpr QColor insightText{0xE0, 0xC7, 0xA7};
inline constexpr QColor insightButtonFace{0x2A, 0x1C, 0x12};
inline constexpr QColor insightButtonBorder{0x6B, 0x44, 0x21};

// Decision tags: background, border, text per buy status.
inline constexpr QColor tagTrackableBackground{0x1A, 0x21, 0x18};
inline constexpr QColor tagTrackableBorder{0x35, 0x56, 0x3A};
inline constexpr QColor tagTrackableText{0x9D, 0xE2, 0xAA};
inline constexpr QColor tagAwaitBackground{0x18, 0x1B, 0x23};
inline constexpr QColor tagAwaitBorder{0x33, 0x40, 0x55};
inline constexpr QColor tagAwaitText{0xB8, 0xC7, 0xE3};
inline constexpr QColor tagDefendBackground{0x21, 0x16, 0x17};
inline constexpr QColor tagDefendBorder{0x5B, 0x31, 0x35};
inline constexpr QColor tagDefendText{0xF0, 0xA6, 0xAA};
inline constexpr QColor tagNoChaseBackground{0x21, 0x1B, 0x16};
inline constexpr QColor tagNoChaseBorder{0x5B, 0x45, 0x30};
inline constexpr QColor tagNoChaseText{0xF1, 0xC0, 0x89};
inline constexpr QColor tagPullbackBackground{0x1B, 0x1A, 0x14};
inline constexpr QColor tagPullbackBorder{0x51, 0x4A, 0x2F};
inline constexpr QColor tagPullbackText{0xE7, 0xD6, 0x8B};
inline constexpr QColor tagNoDataBackground{0x16, 0x1B, 0x23};
inline constexpr QColor tagNoDataBorder{0x2D, 0x3B, 0x52};
inline constexpr QColor tagNoDataText{0xAF, 0xC4, 0xE6};

// Intraday chart and its hover bubble.
inline constexpr QColor chartWell{0x0B, 0x10, 0x20};
inline constexpr QColor chartWellBorder{0x1D, 0x26, 0x38};
inline constexpr QColor chartDivider{0x27, 0x30, 0x44};
inline constexpr QColor chartDotRing{0x0B, 0x0D, 0x12};
inline constexpr QColor chartBaseline{0x8D, 0x99, 0xAE};
inline constexpr QColor chartAverage{0xF6, 0xC9, 0x7B};
inline constexpr QColor chartAxisMiddle{0x7A, 0x84, 0x99};
inline constexpr QColor hoverAccentFallback = rgbF(0.22f, 0.83f, 0.66f);
inline constexpr QColor hoverBubble = rgbF(0.06f, 0.07f, 0.10f, 0.94f);
inline constexpr QColor hoverBubbleBorder = rgbF(0.21f, 0.25f, 0.34f);

// Background grids.
inline constexpr QColor gridFaint{0x17, 0x1E, 0x2B};
inline constexpr QColor gridStrongColumn{0x21, 0x2A, 0x3B};
inline constexpr QColor gridStrongRow{0x23, 0x2D, 0x40};
inline constexpr QColor gridMinor = rgbF(0.25f, 0.29f, 0.38f);
inline constexpr QColor gridMajor = rgbF(0.31f, 0.36f, 0.48f);

// Pop-ups: suggestion list, scenario hint, tooltips, scroller.
inline constexpr QColor suggestionBackground{0x0D, 0x0F, 0x16};
inline constexpr QColor suggestionRow{0x0F, 0x11, 0x18};
inline constexpr QColor suggestionRowBorder{0x1D, 0x21, 0x30};
inline constexpr QColor suggestionRowSelected{0x17, 0x1B, 0x2B};
inline constexpr QColor tooltipBackground{0x0F, 0x12, 0x19};
inline constexpr QColor hintBorder{0x28, 0x32, 0x43};
inline constexpr QColor scrollKnob{0x3A, 0x41, 0x54, 220};
inline constexpr QColor scrollKnobActive{0x5A, 0x61, 0x75, 230};

} // namespace Palette
