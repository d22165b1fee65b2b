#pragma once

// Whether a harvest (batch search, page walk, harvest once) starts with the save-target question. Program-wide and
// on at every start; the options dialog switches it for the rest of the run. The menu command that sets the save
// folder asks regardless.
struct SaveFolderQuestion {
    static bool &enabled();
};
