// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/AISettingsPage.h"

#include "config/AIProviderPresets.h"
#include "config/AppSettings.h"
#include "presentation/Palette.h"
#include "ui/FlatButton.h"
#include "ui/Frames.h"
#include "ui/Label.h"
#include "ui/Panel.h"
#include "ui/TextView.h"
#include "ui/Toolkit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QStandardItemModel>

using namespace Qt::StringLiterals;

namespace {

using Toolkit::hex;
using Toolkit::label;

} // namespace

AISettingsPage::AISettingsPage(const AppSettings &settings, const QString &providerKey,
                               const AISettingsPageState &state, QWidget *parent)
    : QWidget(parent)
{
    setObjectName(u"aiSettingsPage"_s);
    setFixedSize(kWidth, kHeight);
    Toolkit::addPageBackground(this);

    // Header.
    m_back = Toolkit::textButton(this, u"‹ 返回"_s, QRectF(14, 446, 58, 24));
    m_back->setObjectName(u"backButton"_s);
    m_back->setAccessibleName(u"返回"_s);
    connect(m_back, &FlatButton::clicked, this, &AISettingsPage::backRequested);
    label(this, QRectF(82, 449, 160, 20), u"AI 分析设置"_s, 14, FontWeight::Semibold,
          Palette::titleText)
        ->setObjectName(u"pageTitle"_s);
    label(this, QRectF(226, 450, 136, 17), u"本地保存，按需生成"_s, 11, FontWeight::Regular,
          Palette::secondaryText, Qt::AlignRight);

    // Enable switch.
    Panel *switchPanel = Toolkit::panelWithFrame(this, QRectF(14, 396, 352, 42), Palette::card,
                                                 Palette::rowBorder, 8);
    switchPanel->setObjectName(u"switchPanel"_s);
    label(switchPanel, QRectF(14, 20, 150, 15), u"启用 AI 简析"_s, 13, FontWeight::Medium,
          Palette::rowName);
    label(switchPanel, QRectF(14, 6, 248, 13), u"每日首次进入详情自动生成，也可手动刷新"_s, 10,
          FontWeight::Regular, Palette::subtleText);
    m_enabled = new QCheckBox(switchPanel);
    m_enabled->setObjectName(u"aiEnabledCheckbox"_s);
    Frames::place(m_enabled, QRectF(352 - 36, 11, 22, 22));
    m_enabled->setChecked(settings.aiEnabled);
    m_enabled->show();

    // Provider.
    label(this, QRectF(18, 371, 344, 14), u"模型服务"_s, 10, FontWeight::Medium,
          Palette::fieldLabel);
    Toolkit::panelWithFrame(this, QRectF(14, 338, 352, 32), Palette::inputWell, Palette::cardBorder,
                            8);
    m_provider = new QComboBox(this);
    m_provider->setObjectName(u"aiProviderPopup"_s);
    Frames::place(m_provider, QRectF(23, 341, 334, 26));
    m_provider->setFont(Typography::systemFont(13, FontWeight::Medium));
    m_provider->setFrame(false);
    for (const AIProviderPreset &preset : AIProviderPresets::all())
        m_provider->addItem(preset.title, preset.key);
    const int selected = m_provider->findData(providerKey);
    m_provider->setCurrentIndex(selected >= 0 ? selected : m_provider->count() - 1);
    connect(m_provider, &QComboBox::activated, this, &AISettingsPage::providerChosen);
    m_provider->show();

    // Key, model and base URL.
    m_key = field(u"API Key"_s, 313, 280, settings.aiAPIKey);
    m_key->setObjectName(u"aiKeyInput"_s);
    m_key->setEchoMode(QLineEdit::Password);
    m_key->setPlaceholderText(u"sk-..."_s);
    m_model =
        field(u"模型"_s, 255, 222,
              settings.aiModel.isEmpty() ? QString::fromUtf16(AIProviderPresets::kDefaultModel)
                                         : settings.aiModel);
    m_model->setObjectName(u"aiModelInput"_s);
    m_baseURL = field(u"Base URL"_s, 197, 164,
                      settings.aiBaseURL.isEmpty() ? AIProviderPresets::defaultBaseURL()
                                                   : settings.aiBaseURL);
    m_baseURL->setObjectName(u"aiBaseURLInput"_s);

    // Note and feedback. The note reaches 6 pt higher than its 30-pt design frame: the CJK
    // font's line box here is taller, and its second line would be cut.
    TextView *note = Toolkit::textViewWithFrame(
        this, QRectF(18, 82, 344, 36),
        u"API Key 保存在本地。测试连接会发送一条极短测试请求，用来确认 Key、模型和 Base URL 可用。"_s,
        11, Palette::subtleText);
    note->setParagraphSpacing(0);
    note->setObjectName(u"note"_s);
    m_status = label(this, QRectF(18, 62, 344, 16), QString(), 10, FontWeight::Medium,
                     Palette::disabledText);
    m_status->setObjectName(u"statusLine"_s);
    m_status->setTruncatesAtEnd(true);

    m_test = Toolkit::footerButton(this, u"测试连接"_s, QRectF(14, 24, 166, 32));
    m_test->setObjectName(u"testButton"_s);
    m_test->setBackgroundColor(Palette::testButtonFace);
    m_test->setBorderColor(Palette::testButtonBorder);
    m_test->setTitleColor(Palette::testButtonTitle);
    connect(m_test, &FlatButton::clicked, this, &AISettingsPage::testRequested);
    m_save = Toolkit::footerButton(this, u"保存设置"_s, QRectF(200, 24, 166, 32));
    m_save->setObjectName(u"saveButton"_s);
    connect(m_save, &FlatButton::clicked, this, &AISettingsPage::saveRequested);

    applyPageState(state);
}

QLineEdit *AISettingsPage::field(const QString &title, qreal labelY, qreal panelY,
                                 const QString &text)
{
    label(this, QRectF(18, labelY, 344, 14), title, 10, FontWeight::Medium, Palette::fieldLabel);
    QLineEdit *input =
        Toolkit::fieldInWell(this, QRectF(14, panelY, 352, 32), QRectF(28, panelY + 6, 324, 20));
    input->setText(text);
    return input;
}

AISettingsPageInputs AISettingsPage::inputs() const
{
    AISettingsPageInputs page;
    page.enabled = m_enabled->isChecked();
    page.providerKey = m_provider->currentData().toString();
    page.model = m_model->text();
    page.baseURL = m_baseURL->text();
    page.apiKey = m_key->text();
    return page;
}

void AISettingsPage::applyInputs(const AISettingsPageInputs &inputs)
{
    if (inputs.baseURL && *inputs.baseURL != m_baseURL->text())
        m_baseURL->setText(*inputs.baseURL);
    if (inputs.model && *inputs.model != m_model->text())
        m_model->setText(*inputs.model);
}

QString AISettingsPage::statusTextForState(const AISettingsPageState &state)
{
    return state.validationMessage ? *state.validationMessage : u"建议保存前先测试连接。"_s;
}

QString AISettingsPage::statusColorHexForState(const AISettingsPageState &state)
{
    if (!state.validationMessage)
        return Palette::hex(Palette::disabledText);
    return state.validationSucceeded ? Palette::hex(Palette::success)
                                     : Palette::hex(Palette::warning);
}

void AISettingsPage::applyPageState(const AISettingsPageState &state)
{
    m_status->setText(statusTextForState(state));
    m_status->setColor(hex(statusColorHexForState(state)));
    m_test->setText(state.validationInFlight ? u"测试中"_s : u"测试连接"_s);
    m_test->setEnabled(!state.validationInFlight);
}
