// A band made by the toolbar's code linked into this program, not through
// the DLL, so that a test can look at the form it hosts: with its own server
// and factory, a recording browser and a test site.
#pragma once

#include "band/com_server.h"
#include "band/desk_band.h"
#include "tests/wine/support_browser.h"
#include "tests/wine/support_site.h"

namespace vtbtest {

struct InProcessBand {
    RecordingBrowser browser;
    TestSite site{&browser};
    vtb::TComServer server;
    vtb::TDeskBandFactory factory{server};
    vtb::ComPtr<IDeskBand> band;  // made by the test, released first

    vtb::TBandForm* Form() const { return band ? static_cast<vtb::TDeskBand*>(band.get())->Form() : nullptr; }
};

}  // namespace vtbtest
