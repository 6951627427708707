// The address book's record kinds as the engines see them: the firm list
// ADRESAR_S, the firm form ADRESAR_U, the four lists of a firm's dependent
// records with their forms (OSOBY_U, HISTORIE_U, KLICE_U; the tasks' form is in
// tasks.h) and the
// keyword list EVKLIC_S; plus the firm form's own logic (category captions,
// the contact button, the dialler's command line).
#pragma once

#include "app/records/browse/browse_decl.h"
#include "app/records/form/form_engine.h"
#include "app/shell/access/database.h"
#include "app/shell/access/look_up.h"
#include "app/shell/startup/app_state.h"

#include <array>
#include <string>
#include <string_view>

namespace zv::records {

// ADRESAR_S: tabs "&Firma", "&Město", "  ID" and the fallback order by number.
BrowseDecl adresarBrowse();
// ADRESAR_U: numbered by ADR:BYID; defaults and stamps from the user and today.
FormDecl adresarForm(const startup::AppState& state);

// The firm form's dependent lists, restricted to the firm (ADR:ID).
BrowseDecl personsList();  // Osoby by OSO:BYID
BrowseDecl historyList();  // Schuzky by SCH:BYID
BrowseDecl keywordsList(); // Klice by KLI:BYID, keyword text looked up
BrowseDecl tasksList();    // UKOLY by UKO:BYID

// Their forms; firmId primes the link field of a new record.
FormDecl osobyForm(std::int32_t firmId);
FormDecl historieForm(const startup::AppState& state, std::int32_t firmId);
FormDecl kliceForm(std::int32_t firmId);

// The persons of the firm in the form's field `from`, offered beside a name field.
Choices personsOfFirm(std::string from);
// A firm's name beside its number.
inline const Lookup kFirmName{"Adresar", "ADR:BYID", "ADR:FIRMA"};

// EVKLIC_S: keywords by number or by text.
BrowseDecl evklicBrowse();

// The captions of the 20 categories of caption set `set` (Windows-1250,
// trailing blanks removed); all blank when the set does not exist. Reads
// Kategorie (which must be open) into its own buffer only.
std::array<std::string, 20> categoryCaptions(access::RecordFile& kategorie, int set);

// The digits "0".."9" of a telephone number in order, at most 100.
std::string telephoneDigits(std::string_view telephone);
// The dialler's command line, "VOLNUM.EXE " + digits; empty when there are none.
std::string dialCommand(std::string_view telephone);

// "-> &Kontakt": the person's name (its first 30 characters) as the firm's
// contact for labels.
void copyContact(access::RecordFile& adresar, const access::RecordFile& osoby);

// Deletes every keyword attachment, person, contact and task of firm id (a new
// firm whose insert was cancelled after records were added to it). The files
// must be open. Returns the number of records deleted.
int deleteFirmChildren(access::Database& db, std::int32_t id);

// The name of firm id in Adresar, blank when absent; Adresar's buffer stays as it was.
using access::firmName;

// The text of a keyword number in EVKLICSL (which must be open), blank when absent.
std::string keywordText(access::RecordFile& evklicsl, std::int32_t number);

} // namespace zv::records
