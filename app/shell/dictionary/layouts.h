// The record layouts of every file, declared once. Each layout is a list of
// X(member, cell type, stored name, picture) rows in record order; records.h
// turns each list into a record struct and dictionary.cpp into the field table
// that the drivers store and the evaluator binds. A stored name of "" means the
// field is stored under its prefixed name (prefix, colon, member). The picture
// says how a number is shown: "@d6." for a standard date, "@t1" for a standard
// time; "" shows text as it stands and numbers as numbers.
#pragma once

// clang-format off
#define ZV_CATEGORY_PAIR(X, n) X(P##n, Byte, "", "") X(P##n##TXT, String<30>, "", "")

// The fields a firm has wherever it is kept, from its number to the person named
// on labels; the number, and the dates of insertion and change, in the cells given.
#define ZV_FIRM_FIELDS(X, IdCell, DateCell, datePicture)    \
    X(ID, IdCell, "", "")                                   \
    X(FIRMA, String<50>, "", "")                            \
    X(ULICE, String<50>, "", "")                            \
    X(PSC, String<7>, "", "")                               \
    X(MESTO, String<50>, "", "")                            \
    X(STAT, String<50>, "", "")                             \
    X(ICO, String<10>, "", "")                              \
    X(DIC, String<16>, "", "")                              \
    ZV_CATEGORY_PAIR(X, 1)                                  \
    ZV_CATEGORY_PAIR(X, 2)                                  \
    ZV_CATEGORY_PAIR(X, 3)                                  \
    ZV_CATEGORY_PAIR(X, 4)                                  \
    ZV_CATEGORY_PAIR(X, 5)                                  \
    ZV_CATEGORY_PAIR(X, 6)                                  \
    ZV_CATEGORY_PAIR(X, 7)                                  \
    ZV_CATEGORY_PAIR(X, 8)                                  \
    ZV_CATEGORY_PAIR(X, 9)                                  \
    ZV_CATEGORY_PAIR(X, 10)                                 \
    X(P11, Byte, "", "")                                    \
    X(P12, Byte, "", "")                                    \
    X(P13, Byte, "", "")                                    \
    X(P14, Byte, "", "")                                    \
    X(P15, Byte, "", "")                                    \
    X(P16, Byte, "", "")                                    \
    X(P17, Byte, "", "")                                    \
    X(P18, Byte, "", "")                                    \
    X(P19, Byte, "", "")                                    \
    X(P20, Byte, "", "")                                    \
    X(VLOZIL, String<20>, "", "")                           \
    X(DT_VLOZENI, DateCell, "", datePicture)                \
    X(UPRAVIL, String<20>, "", "")                          \
    X(DT_UPRAVY, DateCell, "", datePicture)                 \
    X(TF1, String<20>, "", "")                              \
    X(FAX1, String<20>, "", "")                             \
    X(BANKA1, String<50>, "", "")                           \
    X(BANKA2, String<50>, "", "")                           \
    X(JMENO1, String<30>, "", "")

// Firms of the address book (Adresar, and ExpAdr in the export file).
#define ZV_LAYOUT_ADRESAR(X)                                \
    ZV_FIRM_FIELDS(X, Long, Long, "@d6.")                   \
    X(TEXTY, Byte, "", "")

// Firms in the dBase export table: the firm's number as REAL, dates as calendar dates,
// the contact person's salutation and e-mail; no caption set.
#define ZV_LAYOUT_EXPDBF(X)                                 \
    ZV_FIRM_FIELDS(X, Real, Date, "")                       \
    X(OSLOVENI, String<40>, "", "")                         \
    X(EMAIL, String<40>, "", "")

// Contact persons of a firm (Osoby, ExpOso).
#define ZV_LAYOUT_OSOBY(X)                                  \
    X(REC, Long, "", "")                                    \
    X(ID, Long, "", "")                                     \
    X(KONTAKT, String<40>, "", "")                          \
    X(FUNKCE, String<30>, "", "")                           \
    X(OSLOVENI, String<30>, "", "")                         \
    X(TFZ, String<30>, "", "")                              \
    X(TFD, String<30>, "", "")                              \
    X(TFM, String<30>, "", "")                              \
    X(FAX, String<30>, "", "")                              \
    X(E_MAIL, String<30>, "", "")                           \
    X(VYROCI, Byte, "", "")                                 \
    X(SVATEK, String<5>, "", "")                            \
    X(NAROZENINY, Long, "", "@d6.")                         \
    X(ZALIBY, String<40>, "", "")                           \
    X(DTPOKO, Long, "", "@d6.")                             \
    X(DTPOON, Long, "", "@d6.")

// Contact history (Schuzky, ExpSch).
#define ZV_LAYOUT_SCHUZKY(X)                                \
    X(ID, Long, "CISLO", "")                                \
    X(Vlozil, CString<11>, "VLOZIL", "")                    \
    X(Datum, Long, "Datum", "@d6.")                         \
    X(CAS, Long, "", "@t1")                                 \
    X(Jmeno, CString<31>, "JMENO", "")                      \
    X(Popis, CString<41>, "POPIS1", "")                     \
    X(Pozn, CString<5000>, "POZN1", "")

// Tasks.
#define ZV_LAYOUT_UKOLY(X)                                  \
    X(CUKOLU, Long, "", "")                                 \
    X(ID, Long, "", "")                                     \
    X(JMENO, String<30>, "", "")                            \
    X(DT_ZADANI, Long, "", "@d6.")                          \
    X(TM_ZADANI, Long, "", "@t1")                           \
    X(OS_ZADANI, String<20>, "", "")                        \
    X(DT_SCHED, Long, "", "@d6.")                           \
    X(TM_SCHED, Long, "", "@t1")                            \
    X(OS_SCHED, String<20>, "", "")                         \
    X(DT_PROV, Long, "", "@d6.")                            \
    X(TM_PROV, Long, "", "@t1")                             \
    X(OS_PROV, String<20>, "", "")                          \
    X(POPIS, String<40>, "", "")                            \
    X(SPLNENO, Byte, "", "")                                \
    X(OZNAMEN, Byte, "", "")

#define ZV_LAYOUT_KLICE(X)                                  \
    X(ID, Long, "", "")                                     \
    X(IDKL, Long, "", "")

#define ZV_LAYOUT_EVKLICSL(X)                               \
    X(IDKS, Long, "", "")                                   \
    X(POPIS, String<100>, "", "")                           \
    X(ZAVEDL, String<20>, "", "")                           \
    X(DTZRIZENI, Long, "", "@d6.")

#define ZV_LAYOUT_KATEGORIE(X)                              \
    X(TEXT, Byte, "", "")                                   \
    X(K1, String<20>, "", "")                               \
    X(K2, String<20>, "", "")                               \
    X(K3, String<20>, "", "")                               \
    X(K4, String<20>, "", "")                               \
    X(K5, String<20>, "", "")                               \
    X(K6, String<20>, "", "")                               \
    X(K7, String<20>, "", "")                               \
    X(K8, String<20>, "", "")                               \
    X(K9, String<20>, "", "")                               \
    X(K10, String<20>, "", "")                              \
    X(K11, String<20>, "", "")                              \
    X(K12, String<20>, "", "")                              \
    X(K13, String<20>, "", "")                              \
    X(K14, String<20>, "", "")                              \
    X(K15, String<20>, "", "")                              \
    X(K16, String<20>, "", "")                              \
    X(K17, String<20>, "", "")                              \
    X(K18, String<20>, "", "")                              \
    X(K19, String<20>, "", "")                              \
    X(K20, String<20>, "", "")

#define ZV_LAYOUT_OPERACE(X)                                \
    X(TYPOPERACE, Byte, "", "")                             \
    X(POPIS, String<40>, "", "")

#define ZV_LAYOUT_KLASIFIK(X)                               \
    X(ZKRATKA, String<2>, "", "")                           \
    X(POPIS, String<40>, "", "")                            \
    X(KODOP1, Byte, "", "")                                 \
    X(PRODLEVA1, Short, "", "")                             \
    X(KODOP2, Byte, "", "")                                 \
    X(PRODLEVA2, Short, "", "")                             \
    X(KODOP3, Byte, "", "")                                 \
    X(PRODLEVA3, Short, "", "")

#define ZV_LAYOUT_POZNAMKY(X)                               \
    X(CP, Long, "", "")                                     \
    X(DATUM, Long, "", "@d6.")                              \
    X(TEXT, String<40>, "", "")

#define ZV_LAYOUT_VTIPY(X)                                  \
    X(NOF, Long, "", "")

#define ZV_LAYOUT_LABEL(X)                                  \
    X(LABELTYPE, String<25>, "", "")                        \
    X(PAGEWIDTH, Decimal<5 ZV_COMMA 3>, "", "")             \
    X(PAGEHEIGHT, Decimal<5 ZV_COMMA 3>, "", "")            \
    X(LABELWIDTH, Decimal<5 ZV_COMMA 3>, "", "")            \
    X(LABELHEIGHT, Decimal<5 ZV_COMMA 3>, "", "")           \
    X(TOPMARGIN, Decimal<5 ZV_COMMA 3>, "", "")             \
    X(LEFTMARGIN, Decimal<5 ZV_COMMA 3>, "", "")            \
    X(TYPEFACE, String<20>, "", "")                         \
    X(FONTSIZE, Long, "", "")                               \
    X(FONTCOLOR, Long, "", "")                              \
    X(FONTSTYLE, Long, "", "")

// The working selection: copies of firm fields.
#define ZV_LAYOUT_VYBERY(X)                                 \
    X(ID, Long, "CISLO", "")                                \
    X(FIRMA, CString<50>, "FIRMA", "")                      \
    X(ULICE, CString<50>, "ULICE", "")                      \
    X(PSC, CString<7>, "PSC", "")                           \
    X(MESTO, CString<50>, "MESTO", "")                      \
    X(STAT, String<50>, "", "")                             \
    X(TF1, CString<21>, "TF1", "")                          \
    X(FAX1, CString<21>, "FAX1", "")                        \
    X(JMENO1, CString<31>, "JM1", "")                       \
    X(TEXTY, Byte, "", "")

#define ZV_LAYOUT_AKTVYBER(X)                               \
    X(ID, Long, "", "")

#define ZV_LAYOUT_ULVYBERY(X)                               \
    X(CV, Long, "", "")                                     \
    X(SOUBOR, String<20>, "", "")                           \
    X(DATUM, Long, "", "@d6.")                              \
    X(ULOZIL, String<20>, "", "")                           \
    X(POPIS, String<40>, "", "")                            \
    X(POZNAMKA, String<1000>, "", "")

#define ZV_LAYOUT_EXPLOG(X)                                 \
    X(OSOBA, String<40>, "", "")                            \
    X(DT, Long, "", "@d6.")                                 \
    X(ZAZNAMU, Long, "", "")

#define ZV_LAYOUT_IMPTXT(X)                                 \
    X(ZNAK, String<1>, "", "")

// Every layout: X(record struct name, layout list).
#define ZV_ALL_LAYOUTS(L)                                                                      \
    L(AdresarRecord, ZV_LAYOUT_ADRESAR) L(ExpDbfRecord, ZV_LAYOUT_EXPDBF)                      \
    L(OsobyRecord, ZV_LAYOUT_OSOBY) L(SchuzkyRecord, ZV_LAYOUT_SCHUZKY)                        \
    L(UkolyRecord, ZV_LAYOUT_UKOLY) L(KliceRecord, ZV_LAYOUT_KLICE)                            \
    L(EvklicslRecord, ZV_LAYOUT_EVKLICSL) L(KategorieRecord, ZV_LAYOUT_KATEGORIE)              \
    L(OperaceRecord, ZV_LAYOUT_OPERACE) L(KlasifikRecord, ZV_LAYOUT_KLASIFIK)                  \
    L(PoznamkyRecord, ZV_LAYOUT_POZNAMKY) L(VtipyRecord, ZV_LAYOUT_VTIPY)                      \
    L(LabelRecord, ZV_LAYOUT_LABEL) L(VyberyRecord, ZV_LAYOUT_VYBERY)                          \
    L(AktVyberRecord, ZV_LAYOUT_AKTVYBER) L(UlVyberyRecord, ZV_LAYOUT_ULVYBERY)                \
    L(ExpLogRecord, ZV_LAYOUT_EXPLOG) L(ImpTxtRecord, ZV_LAYOUT_IMPTXT)
// clang-format on
