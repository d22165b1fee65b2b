#pragma once

// Whether a harvest (batch search, page walk, harvest once) starts with the save-target question. Program-wide; the
// start-up window reads it from the settings and the options dialog switches it. The menu command that sets the save
// folder asks regardless.
struct SaveFolderQuestion {
    static bool &enabled();
};
