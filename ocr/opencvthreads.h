#pragma once

// OpenCV's thread count belongs to the whole process: with a TBB build, setting it tears down and
// rebuilds one shared task arena, and two threads doing that together (two engines built at the
// start of a scan) dereference a destroyed arena. It is therefore set once, before the first
// engine, and never again.
class OpenCvThreads
{
public:
    // The count OpenCV runs with in this process. Only the first call sets it; later calls, from
    // any thread, wait for that one to finish and change nothing.
    static void configure(int count);
    // The count the first call set, or 0 before any call.
    static int configured();
};
