#pragma once

namespace quantaline {

class HeaderFrm;

// Test hook for tests/print: when QUANTALINE_PRINT_FILE names a stream, the program opens
// it through its own open dialog, presses "Imprimer les matrices" and quits. It ends with
// status 1 when the file could not be opened.
void start_print_run_if_asked(HeaderFrm& window);

} // namespace quantaline
