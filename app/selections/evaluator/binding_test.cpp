// Binding of variables and procedures, scopes, filters and threads.
#include "app/selections/evaluator/evaluator.h"

#include "platform/codepage.h"
#include "storage/decimal.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstring>
#include <thread>

namespace zv::evaluator {
namespace {

std::string eval(std::string_view text) {
    const Result r = evaluate(text);
    EXPECT_EQ(r.error, 0) << text;
    return r.value;
}

class Binding : public ::testing::Test {
protected:
    BindingScope scope_;
};

TEST_F(Binding, EveryFieldTypeIsReadFromTheRecordBuffer) {
    unsigned char rec[64] = {};
    using storage::FieldType;
    rec[0] = 200;                                                  // BYTE
    rec[1] = 0xFE, rec[2] = 0xFF;                                  // SHORT -2
    rec[3] = 0xFE, rec[4] = 0xFF;                                  // USHORT 65534
    const std::int32_t date = 72095;                               // DATE as LONG
    std::memcpy(rec + 5, &date, 4);                                // (little-endian host)
    rec[9] = 0xFF, rec[10] = 0xFF, rec[11] = 0xFF, rec[12] = 0xFF; // ULONG 4294967295
    const float sreal = 1.5f;
    std::memcpy(rec + 13, &sreal, 4);
    const double real = -2.25;
    std::memcpy(rec + 17, &real, 8);
    ASSERT_TRUE(storage::encodeDecimal(-12.34, rec + 25, storage::decimalBytes(7), 2));
    std::memcpy(rec + 29, "ab  ", 4);   // STRING(4)
    std::memcpy(rec + 33, "cd\0zz", 5); // CSTRING(5)
    std::memcpy(rec + 38,
                "\x02"
                "efgh",
                5); // PSTRING(5)
    ASSERT_TRUE(bindField("F:BYTE", FieldType::Byte, rec + 0, 1));
    ASSERT_TRUE(bindField("F:SHORT", FieldType::Short, rec + 1, 2));
    ASSERT_TRUE(bindField("F:USHORT", FieldType::UShort, rec + 3, 2));
    ASSERT_TRUE(bindField("F:DATE", FieldType::Long, rec + 5, 4));
    ASSERT_TRUE(bindField("F:ULONG", FieldType::ULong, rec + 9, 4));
    ASSERT_TRUE(bindField("F:SREAL", FieldType::SReal, rec + 13, 4));
    ASSERT_TRUE(bindField("F:REAL", FieldType::Real, rec + 17, 8));
    ASSERT_TRUE(bindField("F:DEC", FieldType::Decimal, rec + 25, 4, 2));
    ASSERT_TRUE(bindField("F:STR", FieldType::String, rec + 29, 4));
    ASSERT_TRUE(bindField("F:CSTR", FieldType::CString, rec + 33, 5));
    ASSERT_TRUE(bindField("F:PSTR", FieldType::PString, rec + 38, 5));
    EXPECT_EQ(eval("F:BYTE"), "200");
    EXPECT_EQ(eval("F:SHORT"), "-2");
    EXPECT_EQ(eval("F:USHORT"), "65534");
    EXPECT_EQ(eval("F:DATE = DATE(5, 19, 1998)"), "1");
    EXPECT_EQ(eval("F:ULONG"), "4294967295");
    EXPECT_EQ(eval("F:SREAL"), "1.5");
    EXPECT_EQ(eval("F:REAL"), "-2.25");
    EXPECT_EQ(eval("F:DEC"), "-12.34");
    EXPECT_EQ(eval("F:STR & '|'"), "ab  |");
    EXPECT_EQ(eval("F:CSTR & '|'"), "cd|");
    EXPECT_EQ(eval("F:PSTR & '|'"), "ef|");
    // Whole-number fields compare as integers, texts as texts, the rest as reals.
    EXPECT_EQ(eval("F:STR = 'ab'"), "1");
    EXPECT_EQ(eval("F:DEC < -12"), "1");
    // The buffer is read at evaluation time.
    rec[0] = 7;
    EXPECT_EQ(eval("F:BYTE"), "7");
}

TEST_F(Binding, AWholeRecordByItsDeclaration) {
    storage::TableDecl decl;
    decl.recordLength = 10;
    const auto field = [](const char* name, storage::FieldType type, int offset, int size) {
        storage::FieldDecl f;
        f.name = name;
        f.type = type;
        f.offset = static_cast<std::uint16_t>(offset);
        f.size = static_cast<std::uint16_t>(size);
        return f;
    };
    decl.fields = {field("TAB:ID", storage::FieldType::Long, 0, 4),
                   field("TAB:JMENO", storage::FieldType::String, 4, 6),
                   field("TAB:MIMO", storage::FieldType::Long, 8, 4)}; // beyond the record
    unsigned char rec[10] = {42, 0, 0, 0, 'N', 'o', 'v', 'a', 'k', ' '};
    EXPECT_FALSE(bindFields(decl, rec));
    EXPECT_EQ(eval("TAB:ID & TAB:JMENO"), "42Novak ");
    EXPECT_EQ(evaluate("TAB:MIMO").error, kInvalidExpression);
}

TEST_F(Binding, StorageTooSmallOrMissingIsRefused) {
    unsigned char b[8] = {};
    EXPECT_FALSE(bindField("F:X", storage::FieldType::Long, b, 3));
    EXPECT_FALSE(bindField("F:X", storage::FieldType::Real, b, 4));
    EXPECT_FALSE(bindField("F:X", storage::FieldType::Long, nullptr, 4));
    EXPECT_FALSE(bindField("F:X", static_cast<storage::FieldType>(0x55), b, 8));
    EXPECT_FALSE(bindInteger("", reinterpret_cast<std::int32_t*>(b)));
    EXPECT_FALSE(bindInteger("9abc", reinterpret_cast<std::int32_t*>(b)));
    EXPECT_EQ(evaluate("F:X").error, kInvalidExpression);
}

TEST_F(Binding, NamesAreCutAndFoundWithoutRegardToCase) {
    std::int32_t n = 3;
    std::string s = "Praha";
    double r = 0.5;
    const auto cp = [](const char* utf8) { return cp1250::fromUtf8(utf8); };
    ASSERT_TRUE(bindInteger(cp("Počet# and the rest"), &n));
    ASSERT_TRUE(bindText(cp("LOC:Město"), &s));
    ASSERT_TRUE(bindReal(cp("?Podíl"), &r));
    EXPECT_EQ(eval(cp("POČET# + 1")), "4");
    EXPECT_EQ(eval(cp("loc:MĚSTO")), "Praha");
    EXPECT_EQ(eval(cp("?podíl * 2")), "1");
    EXPECT_EQ(evaluate(cp("Počet")).error, kInvalidExpression); // "#" is part of the name
}

TEST_F(Binding, RebindingReplacesAndParsedFiltersFollowIt) {
    std::int32_t a = 1, b = 2;
    ASSERT_TRUE(bindInteger("LocalID", &a));
    Filter f;
    ASSERT_EQ(f.compile("LocalID = 2"), 0);
    EXPECT_FALSE(f.accepts());
    ASSERT_TRUE(bindInteger("LOCALID", &b));
    EXPECT_TRUE(f.accepts());
    EXPECT_EQ(eval("LocalID"), "2");
}

TEST_F(Binding, ScopesUnbindTheirNamesAndRestoreWhatTheyReplaced) {
    std::int32_t outer = 1, inner = 2;
    ASSERT_TRUE(bindInteger("SC:A", &outer));
    {
        BindingScope procedure;
        ASSERT_TRUE(bindInteger("SC:A", &inner));
        ASSERT_TRUE(bindInteger("SC:B", &inner));
        ASSERT_TRUE(bindInteger("SC:B", &outer)); // twice in one scope
        EXPECT_EQ(eval("SC:A & SC:B"), "21");
    }
    EXPECT_EQ(eval("SC:A"), "1");
    EXPECT_EQ(evaluate("SC:B").error, kInvalidExpression);
}

TEST_F(Binding, ABuiltInNameMayBeReboundInAScope) {
    std::int32_t day = 17;
    {
        BindingScope procedure;
        ASSERT_TRUE(bindInteger("DAY", &day));
        EXPECT_EQ(eval("DAY + 1"), "18");
    }
    EXPECT_EQ(eval("DAY(72095)"), "19");
}

TEST_F(Binding, ScopesClosedOutOfOrderGive802) {
    std::int32_t v = 9;
    const int first = pushScope();
    const int second = pushScope();
    ASSERT_TRUE(bindInteger("SC:FIRST", &v));
    EXPECT_EQ(popScope(first), kMismatchedScope);
    EXPECT_EQ(errorText(kMismatchedScope), "Mismatched PUSHSCOPE/POPSCOPE");
    EXPECT_EQ(popScope(second), 0);
    EXPECT_EQ(evaluate("SC:FIRST").error, kInvalidExpression);
    EXPECT_EQ(popScope(second), kMismatchedScope); // closed already
    EXPECT_EQ(popScope(987654), kMismatchedScope);
}

TEST_F(Binding, AFilterWhoseNameWentAwayFailsWith801) {
    std::int32_t v = 1;
    Filter f;
    {
        BindingScope procedure;
        ASSERT_TRUE(bindInteger("SC:GONE", &v));
        ASSERT_EQ(f.compile("SC:GONE = 1"), 0);
        EXPECT_TRUE(f.accepts());
    }
    EXPECT_FALSE(f.accepts());
    EXPECT_EQ(f.evaluate().error, kNoBind);
    EXPECT_EQ(f.evaluate().value, "");
}

TEST_F(Binding, FilterCompileReports801ForUnknownNamesAnd800Otherwise) {
    Filter f;
    EXPECT_EQ(f.compile("NOSUCH:FIELD = 1"), kNoBind);
    EXPECT_FALSE(f.compiled());
    EXPECT_EQ(f.compile("1 +"), kInvalidExpression);
    EXPECT_EQ(f.evaluate().error, kInvalidExpression);
    EXPECT_FALSE(f.accepts());
    EXPECT_EQ(errorText(kNoBind), "No BIND on variable");
    EXPECT_EQ(errorText(kInvalidExpression), "Invalid expression for EVALUATE");
}

TEST_F(Binding, FilterAndEvaluateAgreeOnEveryRecord) {
    unsigned char rec[12] = {};
    ASSERT_TRUE(bindField("UKO:DT_SCHED", storage::FieldType::Long, rec, 4));
    ASSERT_TRUE(bindField("UKO:Splneno", storage::FieldType::Byte, rec + 4, 1));
    ASSERT_TRUE(bindField("UKO:TEXT", storage::FieldType::String, rec + 5, 7));
    std::int32_t sh = 72000, dnes = 72100;
    ASSERT_TRUE(bindInteger("SH", &sh));
    ASSERT_TRUE(bindInteger("Dnes", &dnes));
    const char* filters[] = {"UKO:DT_SCHED >= SH AND UKO:DT_SCHED <= Dnes AND (UKO:Splneno = 0)",
                             "UKO:TEXT",
                             "UKO:DT_SCHED / 7",
                             "UKO:DT_SCHED - UKO:DT_SCHED",
                             "SUB(UKO:TEXT, 1, 1)",
                             "UKO:Splneno - 1 & ''"};
    for (const char* text : filters) {
        Filter f;
        ASSERT_EQ(f.compile(text), 0) << text;
        for (std::int32_t day = 71990; day < 72110; day += 3) {
            std::memcpy(rec, &day, 4);
            rec[4] = static_cast<unsigned char>(day % 2);
            std::memcpy(rec + 5, day % 3 ? "0      " : "       ", 7);
            const Result direct = evaluate(text);
            EXPECT_EQ(f.evaluate().value, direct.value) << text << " " << day;
            EXPECT_EQ(f.accepts(), isTrue(direct)) << text << " " << day;
        }
    }
}

TEST_F(Binding, ProceduresGetTextsAndGiveReals) {
    std::vector<std::string> seen;
    ASSERT_TRUE(bindProcedure("SoucetDelek", [&](const std::vector<std::string>& args) {
        seen = args;
        double n = 0;
        for (const auto& a : args)
            n += static_cast<double>(a.size());
        return n;
    }));
    EXPECT_EQ(eval("SoucetDelek('ab', 12, 1.5)"), "7");
    EXPECT_EQ(seen, (std::vector<std::string>{"ab", "12", "1.5"}));
    EXPECT_EQ(eval("SoucetDelek()"), "0");
    EXPECT_EQ(evaluate("SoucetDelek").error, kInvalidExpression);
    ASSERT_TRUE(bindProcedure("Rekurze", [](const std::vector<std::string>&) {
        return std::stod(evaluate("1 + 1").value); // a procedure may evaluate
    }));
    EXPECT_EQ(eval("Rekurze() * 2"), "4");
}

TEST_F(Binding, EvaluationsAndBindingsFromManyThreads) {
    // Scopes stack process-wide, so one scope holds the names of every thread; a
    // scope of each thread's own would close under the others' feet.
    BindingScope scope;
    std::vector<std::thread> threads;
    std::atomic<int> wrong{0};
    std::array<std::int32_t, 4> values{};
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &wrong, &values] {
            std::int32_t& mine = values[static_cast<std::size_t>(t)];
            mine = t;
            const std::string name = "THR:V" + std::to_string(t);
            if (!bindInteger(name, &mine)) ++wrong;
            for (int i = 0; i < 2000; ++i) {
                mine = i;
                if (evaluate(name + " * 2 + 1").value != std::to_string(i * 2 + 1)) ++wrong;
                if (i % 100 == 0 && !bindInteger(name, &mine)) ++wrong;
            }
        });
    }
    for (auto& th : threads)
        th.join();
    EXPECT_EQ(wrong.load(), 0);
}

} // namespace
} // namespace zv::evaluator
