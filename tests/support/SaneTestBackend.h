#pragma once
// SANE's "test" backend for the scanner tests.
//
// The backend leaks a few option texts and, now and then, a read buffer when it is
// unloaded; those are its leaks, not the program's. Call KeepSaneTestBackendLoaded() before
// scanning: the backend then stays mapped after sane_exit, so the leak checker can name it
// and the suppressions linked with this file can leave its allocations out.
void KeepSaneTestBackendLoaded();

// Points SANE at a configuration folder of the tests' own, with the test backend's one
// colour scanner (or, with `any` false, no backend and so no scanner at all). SANE reads
// the folder's name once per process, so every test of a process shares this one folder.
// `readStatus` names the SANE status every read of the scanner gives ("SANE_STATUS_JAMMED"),
// for scanners that fail; by default reads succeed.
void UseSaneTestScanner(bool any, const char *readStatus = "Default");
