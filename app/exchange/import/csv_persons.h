// The persons' CSV file that the CSV export writes beside the firms' ("x.csv"
// -> "x_osoby.csv"): a heading line naming the Osoby fields without their
// prefix (the person form's captions are taken too), then one person per line.
// Its "ID" is the number of the person's firm in the firms' file, "REC" the
// person's own number; columns that name no field are left out. Character set
// and separator are found as in the firms' file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zv::exchange {

struct CsvPerson {
    std::vector<std::uint8_t> record; // an Osoby record image; ID the firm's number in the file
    std::string note;                 // OSO:POZN (Windows-1250, CRLF line breaks)
};

struct CsvPersons {
    std::vector<CsvPerson> persons; // in the file's order
    long lines = 0;                 // lines under the headings, blank ones not counted
    long malformed = 0; // lines that are no person: no firm number, or not the headings' columns
};

// The Osoby field a heading names (with or without its prefix, or by its
// caption, in any letter case; Windows-1250), as "OSO:KONTAKT"; "OSO:POZN" for
// the note; empty when none.
std::string csvPersonField(const std::string& heading1250);

// Reads a persons' file; error is 0, or why it cannot be read.
CsvPersons readCsvPersons(const std::string& nativePath, int& error);

} // namespace zv::exchange
