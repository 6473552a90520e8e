#pragma once
// --json: journal lines leave stdout as JSON objects, one a line, instead of the log's form.
// Any command that journals (monitor, scan) calls this after installConsoleHooks.
void installJsonOutput();
