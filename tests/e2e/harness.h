// The end-to-end harness: Quorvel.exe driven from another process under
// Wine (or on Windows), by concern:
//
//   process.h      paths, starting and ending the program, waiting
//   controls.h     windows and controls, the combo box, message boxes, keys
//   listview.h     the ListView, its header and tooltips read from outside
//   registry.h     the registry seeded for one test and restored after it
//   pictures.h     pixels and PNG files of windows
//   file_dialog_driver.h   the open-file dialog worked as a user would
//   session.h      the fixture of the end-to-end suites (not in this header)
//
// Running: every *_test.cpp in this folder joins quorvel_e2e_tests.exe, and
// each test suite becomes one ctest test (e2e.<Suite>) that runs the driver
// under tools/e2e-run.sh in a fresh copy of the cached Wine prefix, on its
// own Xvfb. The tests of one suite share that prefix, so a test leaves the
// registry as it found it and its program ended (Session does both).
#pragma once

#include "tests/e2e/controls.h"
#include "tests/e2e/file_dialog_driver.h"
#include "tests/e2e/listview.h"
#include "tests/e2e/pictures.h"
#include "tests/e2e/process.h"
#include "tests/e2e/registry.h"
#include "tests/support/scratch.h"
#include "tests/support/utf8.h"
