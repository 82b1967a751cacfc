// SPDX-License-Identifier: GPL-3.0-or-later
// settings.json as a user may have edited it: loaded by the store, read into typed
// settings, and written back and read again as a save and the next launch would.
#include "FuzzSupport.h"

#include "config/AIProviderPresets.h"
#include "config/AppSettings.h"
#include "config/ConfigStore.h"

#include <QFileInfo>
#include <QJsonDocument>

using namespace Qt::StringLiterals;

KESTRUM_FUZZ_INITIALIZE()

KESTRUM_FUZZ_MUTATOR(fuzz::mutateJson)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const fuzz::Sandbox &sandbox = fuzz::Sandbox::instance();
    sandbox.reset();
    const QByteArray input = fuzz::bytesOf(data, size);
    // A watchlist exists, so this is not a first run.
    sandbox.write(u"watchlist.json"_s, QByteArrayLiteral("[]"));
    sandbox.write(u"settings.json"_s, input);

    const ConfigStore config(sandbox.path(), QString());
    JsonFile::KeptAside keptAside;
    const QJsonObject loaded = config.loadSettings(&keptAside);
    const bool isObject = QJsonDocument::fromJson(input).isObject();
    // Whatever loading replaces, the user's bytes survive: in place, or in the copy beside.
    if (!keptAside.copyPath.isEmpty())
        fuzz::check(sandbox.read(QFileInfo(keptAside.copyPath).fileName()) == input,
                    "a settings file that is rewritten is kept aside first, byte for byte");
    else if (!input.trimmed().isEmpty())
        fuzz::check(sandbox.read(u"settings.json"_s) == input,
                    "a settings file is not rewritten without a copy kept aside");
    // The scratch directory is writable: a copy is always made when one is needed.
    fuzz::check(keptAside.mayReplace(), "a file that needs keeping aside is kept aside");
    if (!isObject)
        fuzz::check(loaded == AppSettings::fallbackObject(),
                    "an unreadable settings file reads as the fallback");

    const AppSettings settings = AppSettings::fromJson(loaded);
    alertPresetFromLegacySettings(loaded);
    AIProviderPresets::normalizedKey(settings.aiProvider, settings.aiBaseURL);

    // Saved and loaded again, the settings stay what they were.
    const QJsonObject saved = settings.toJson();
    fuzz::check(config.saveSettings(saved), "settings can be saved");
    const AppSettings again = AppSettings::fromJson(config.loadSettings());
    fuzz::check(again.toJson() == saved, "settings survive a save and a load");
    return 0;
}
