// Checks of the run's file paths before anything is drawn or written: image paths set in
// roster.sdd that name no file, and output paths that would overwrite an input.
#pragma once

#include <vector>

#include "base/failure.h"
#include "settings/settings.h"

// Writes "Warning: <path> not found, its page shows a placeholder" once for each image
// path that roster.sdd set to something other than its default and that does not open.
// Default paths and empty paths stay silent, and so do the committee and schedule
// pictures when their page is typed in roster.sdd.
void warn_missing_images(const Settings& settings);

// True when `a` and `b` name the same file: the same device and inode when both exist,
// else the same absolute path once "." and ".." (and links of existing folders) are
// resolved. Empty paths name no file.
bool same_file(const char* a, const char* b);

// One failure, naming roster.sdd, for each output path that names the member list,
// roster.sdd, one of the images or another output, e.g. "Standard PDF 'members.csv' is
// also the member list: choose another file name"; none when every output spares the
// inputs. `settings_path` is the settings file the run read.
std::vector<Failure> outputs_overwriting_inputs(const Settings& settings, const char* settings_path);
