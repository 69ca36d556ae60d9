#pragma once
// The panel's skin: the resource list "Index.xml" with the textures and
// animations it names, kept under the work folder (the host's root) either
// as the password-protected pack "Skins\Fetchpane.skin" or as the loose
// folder "Skins\Fetchpane\". The first panel window of each engine start
// loads it; a pack missing then is first built from the loose folder.
namespace PanelSkin {

// Relative to the work folder; under "Res\" instead of "Skins\" in the
// older build.
extern const char* const kListPath;   // the loose list
extern const char* const kPackPath;   // the pack
extern const char kPassword[];        // the pack's password

// Loads the skin, once per engine start (UI thread). The first call
// decides: 1 when the skin was loaded, 0 when it could not be (logged).
// Every later call returns 1 and loads nothing, also after a failed first
// one, until Forget.
int Load();
// The engine stopped and its resources went with it: the next start's
// first window loads the skin again.
void Forget();

}   // namespace PanelSkin
