// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ai/AIProviderSettings.h"

#include <QWidget>

struct AppSettings;
class FlatButton;
class Label;
class QCheckBox;
class QComboBox;
class QLineEdit;

// The popover's AI settings page: the enable switch, the provider pop-up, the key, model and
// base-URL fields, the test and save buttons and the feedback line. It shows the stored
// settings when built and reports what its controls hold; the page state (test in flight,
// feedback) is applied in place so nothing the user typed is lost while a test runs.
class AISettingsPage : public QWidget
{
    Q_OBJECT
public:
    AISettingsPage(const AppSettings &settings, const QString &providerKey,
                   const AISettingsPageState &state, QWidget *parent = nullptr);

    static constexpr int kWidth = 380;
    static constexpr int kHeight = 488;

    // What the controls hold, for the settings operations.
    AISettingsPageInputs inputs() const;
    // Puts the base URL and model a chosen preset filled in back into their fields.
    void applyInputs(const AISettingsPageInputs &inputs);
    void applyPageState(const AISettingsPageState &state);

    // The feedback line's text and colour for a state.
    static QString statusTextForState(const AISettingsPageState &state);
    static QString statusColorHexForState(const AISettingsPageState &state);

    QCheckBox *enabledCheckbox() const { return m_enabled; }
    QComboBox *providerPopup() const { return m_provider; }
    QLineEdit *keyInput() const { return m_key; }
    QLineEdit *modelInput() const { return m_model; }
    QLineEdit *baseURLInput() const { return m_baseURL; }
    Label *statusLabel() const { return m_status; }
    FlatButton *testButton() const { return m_test; }
    FlatButton *saveButton() const { return m_save; }
    FlatButton *backButton() const { return m_back; }

Q_SIGNALS:
    void backRequested();
    void providerChosen();
    void testRequested();
    void saveRequested();

private:
    QLineEdit *field(const QString &title, qreal labelY, qreal panelY, const QString &text);

    QCheckBox *m_enabled = nullptr;
    QComboBox *m_provider = nullptr;
    QLineEdit *m_key = nullptr;
    QLineEdit *m_model = nullptr;
    QLineEdit *m_baseURL = nullptr;
    Label *m_status = nullptr;
    FlatButton *m_test = nullptr;
    FlatButton *m_save = nullptr;
    FlatButton *m_back = nullptr;
};
