#pragma once

namespace MediaBackend {

// Loads the media back end (its plugin and device lists) by making one player and dropping it.
// The first player of a process costs that load, about 15 ms here; a program that calls this at
// start-up keeps it out of the first run, where it added 20-50 ms to one turn of the GUI loop.
void load();

} // namespace MediaBackend
