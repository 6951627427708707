// The lists and forms of persons, keywords, operations, kinds of contact,
// notes and jokes, and the category captions, as the frame's menu and the
// other windows call them. Each list is started as an MDI child (or called
// modally to pick a record) and runs its form for Insert, Change and Delete.
#pragma once

#include "app/records/browse/browse_engine.h"
#include "app/records/windows/browse_window.h"
#include "app/shell/frame/procedures.h"
#include "app/shell/frame/window_context.h"

class QWidget;

namespace zv::records {

// The lists, made for ProcedureRuntime::start; request 4 makes a picking list.
// Null when the list's file cannot be opened.
QWidget* makeOsobyList(frame::WindowContext& context, int request = 0);    // OSOBY_S
QWidget* makeEvklicList(frame::WindowContext& context, int request = 0);   // EVKLIC_S
QWidget* makeOperaceList(frame::WindowContext& context, int request = 0);  // OPERACE_S
QWidget* makeKlasifikList(frame::WindowContext& context, int request = 0); // KLASIFIK_S
QWidget* makePoznamkyList(frame::WindowContext& context, int request = 0); // POZNAMKY_S
QWidget* makeVtipyList(frame::WindowContext& context, int request = 0);    // VTIPYSHOW

// EVKLIC_S as a window looks (its form EVKLIC_U included), for picking a keyword too.
BrowseWindowSpec evklicSpec(frame::WindowContext& context);

// The forms, for request 1-3 on their file's buffer (the record to change or
// delete is the file's current record).
FormOutcome runEvklicForm(frame::WindowContext& context, QWidget* parent, int request);
FormOutcome runOperaceForm(frame::WindowContext& context, QWidget* parent, int request);
FormOutcome runKlasifikForm(frame::WindowContext& context, QWidget* parent, int request);
FormOutcome runPoznamkyForm(frame::WindowContext& context, QWidget* parent, int request);
FormOutcome runVtipyForm(frame::WindowContext& context, QWidget* parent, int request);

// KATEGORIE_U called modally with request change: the first caption set
// (created as set 1 in an empty file), each caption's button clearing that
// category in every firm after asking. Sets ActionResponse and returns it.
int callKategorieForm(frame::WindowContext& context, QWidget* parent);

// Registers OSOBY_S, EVKLIC_S, OPERACE_S, KLASIFIK_S, POZNAMKY_S and VTIPYSHOW
// (started), KATEGORIE_U, and EVKLIC_U, OPERACE_U, KLASIFIK_U, POZNAMKY_U and
// UPDATEVTIPY (called with ActionRequest, insert when none is set).
void addEntityProcedures(frame::ProcedureTable& table, frame::WindowContext& context);

} // namespace zv::records
