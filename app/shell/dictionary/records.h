// The typed records that procedures use, one struct per layout of layouts.h.
// Members are field cells (cells.h) named as the fields without their prefix:
// AdresarRecord::FIRMA is ADR:FIRMA (and EAD:FIRMA in the export file).
#pragma once

#include "cells.h"
#include "layouts.h"

namespace zv::rec {

#define ZV_COMMA ,
#define ZV_MEMBER(member, cell, stored, picture) cell member;
#define ZV_RECORD(Name, LAYOUT)                                                                    \
    struct Name {                                                                                  \
        LAYOUT(ZV_MEMBER)                                                                          \
    };
ZV_ALL_LAYOUTS(ZV_RECORD)
#undef ZV_RECORD
#undef ZV_MEMBER

// The stored record sizes.
static_assert(sizeof(AdresarRecord) == 776);
static_assert(sizeof(ExpDbfRecord) == 859);
static_assert(sizeof(OsobyRecord) == 316);
static_assert(sizeof(SchuzkyRecord) == 5095);
static_assert(sizeof(UkolyRecord) == 164);
static_assert(sizeof(KliceRecord) == 8);
static_assert(sizeof(EvklicslRecord) == 128);
static_assert(sizeof(KategorieRecord) == 401);
static_assert(sizeof(OperaceRecord) == 41);
static_assert(sizeof(KlasifikRecord) == 51);
static_assert(sizeof(PoznamkyRecord) == 48);
static_assert(sizeof(VtipyRecord) == 4);
static_assert(sizeof(LabelRecord) == 75);
static_assert(sizeof(VyberyRecord) == 285);
static_assert(sizeof(AktVyberRecord) == 4);
static_assert(sizeof(UlVyberyRecord) == 1088);
static_assert(sizeof(ExpLogRecord) == 48);
static_assert(sizeof(ImpTxtRecord) == 1);

} // namespace zv::rec
