// The address book's windows as the rest of the program calls them. Every
// entry point takes the program's context; the record concerned travels in
// the file's record buffer as procedures expect.
#pragma once

#include "app/shell/frame/procedures.h"
#include "app/shell/frame/window_context.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <string>

class QWidget;

namespace zv::records {

// ADRESAR_S, the firm list ("Procházím adresář"), made for ProcedureRuntime::start
// on `thread`. request 4 makes it a picking list. Null when Adresar cannot be opened.
QWidget* makeAdresarBrowse(frame::WindowContext& context, int thread, int request = 0);

// ADRESAR_S called modally to pick a firm: true, with the firm in Adresar's
// buffer, when one was selected (ActionResponse 1); false on Close.
bool selectFirm(frame::WindowContext& context, QWidget* parent);

// ADRESAR_U called modally: request 1 inserts, 2 changes and 3 deletes the firm
// in Adresar's buffer. Sets ActionResponse and returns it (1 completed, 2 cancelled).
int callAdresarForm(frame::WindowContext& context, QWidget* parent, int request);

// ADRESAR_U for firm id (the reminder window's "&Firma"): reads the firm, then
// changes it. 2 (cancelled) when the firm does not exist.
int callAdresarFormForFirm(frame::WindowContext& context, QWidget* parent, std::int32_t id);

// Registers ADRESAR_S (started) and ADRESAR_U (called with the firm's ADR:ID in
// Adresar's buffer, as the reminder window's "&Firma" leaves it) with the frame.
void addAddressBookProcedures(frame::ProcedureTable& table, frame::WindowContext& context);

// Dragging firms out of ADRESAR_S: the drag carries this identifier under the
// MIME type below, and DraggedFirmID holds the dragged firm's ADR:ID.
inline const QString kFirmDragIdentifier = QStringLiteral("Výběr");
inline const QString kFirmDragMimeType = QStringLiteral("application/x-zevlon-drag");
std::int32_t draggedFirmId();

// Starting another program by its command line ("VOLNUM.EXE 420212345678").
// The default is the program-start layer; tests put a recorder in its place.
using ProgramStarter = std::function<bool(const std::string& commandLine)>;
void setProgramStarter(ProgramStarter starter);

} // namespace zv::records
