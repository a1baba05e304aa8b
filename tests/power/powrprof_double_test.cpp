// The powrprof double keeps its contract with the callers the way Windows does:
// sizes, error codes, buffers to free, and a configuration that outlives calls.
#include "power_fixture.h"

namespace power {
namespace {

using PowerDouble = PowerTest;

const GUID kVideoSubgroup = ParseGuid("7516b95f-f776-4464-8c53-06167f40cc99");
const GUID kVideoPowerdown = ParseGuid("3c0bc021-c8a8-4e07-a973-6b14cbcb2b7e");

TEST_F(PowerDouble, FreshConfigurationHoldsTheWindowsSchemesWithBalancedActive) {
  const std::vector<GUID> schemes = Schemes();
  ASSERT_EQ(3u, schemes.size());
  EXPECT_TRUE(IsEqualGUID(kBalanced, schemes[0]));
  EXPECT_TRUE(IsEqualGUID(kHighPerformance, schemes[1]));
  EXPECT_TRUE(IsEqualGUID(kPowerSaver, schemes[2]));
  EXPECT_EQ(L"Balanced", FriendlyName(kBalanced));
  EXPECT_EQ(L"High performance", FriendlyName(kHighPerformance));
  EXPECT_EQ(L"Power saver", FriendlyName(kPowerSaver));
  EXPECT_TRUE(IsEqualGUID(kBalanced, ActiveScheme()));
}

TEST_F(PowerDouble, EnumerateReportsSizesAndTheEndOfTheList) {
  GUID guid;
  DWORD size = 0;
  // A null buffer asks for the size, and the answer is "more data".
  EXPECT_EQ(DWORD(ERROR_MORE_DATA),
            PowerEnumerate(nullptr, nullptr, nullptr, ACCESS_SCHEME, 0, nullptr, &size));
  EXPECT_EQ(sizeof(GUID), size);
  // The scheme list ignores the scheme and subgroup arguments.
  size = sizeof guid;
  EXPECT_EQ(0u, PowerEnumerate(nullptr, &kBalanced, &kBalanced, ACCESS_SCHEME, 0,
                               reinterpret_cast<UCHAR*>(&guid), &size));
  size = 8;
  EXPECT_EQ(DWORD(ERROR_MORE_DATA), PowerEnumerate(nullptr, nullptr, nullptr, ACCESS_SCHEME, 0,
                                                   reinterpret_cast<UCHAR*>(&guid), &size));
  EXPECT_EQ(sizeof(GUID), size);
  size = sizeof guid;
  EXPECT_EQ(DWORD(ERROR_NO_MORE_ITEMS), PowerEnumerate(nullptr, nullptr, nullptr, ACCESS_SCHEME, 3,
                                                       reinterpret_cast<UCHAR*>(&guid), &size));
  EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER),
            PowerEnumerate(nullptr, nullptr, nullptr, ACCESS_SCHEME, 0, nullptr, nullptr));
}

TEST_F(PowerDouble, FriendlyNameReadHonoursTheBufferSize) {
  DWORD size = 0;
  EXPECT_EQ(0u, PowerReadFriendlyName(nullptr, &kBalanced, nullptr, nullptr, nullptr, &size));
  EXPECT_EQ(sizeof(L"Balanced"), size);
  wchar_t small[4] = {L'x', L'x', L'x', L'x'};
  size = sizeof small;
  EXPECT_EQ(DWORD(ERROR_MORE_DATA), PowerReadFriendlyName(nullptr, &kBalanced, nullptr, nullptr,
                                                          reinterpret_cast<UCHAR*>(small), &size));
  EXPECT_EQ(sizeof(L"Balanced"), size);
  EXPECT_EQ(L'x', small[0]) << "nothing is copied into a short buffer";
  const GUID unknown = ParseGuid("01234567-89ab-cdef-0123-456789abcdef");
  wchar_t name[260] = {};
  size = sizeof name;
  EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND),
            PowerReadFriendlyName(nullptr, &unknown, nullptr, nullptr,
                                  reinterpret_cast<UCHAR*>(name), &size));
  EXPECT_EQ(L'\0', name[0]);
}

TEST_F(PowerDouble, DuplicateCopiesNameDescriptionAndValuesUnderANewGuid) {
  GUID* created = nullptr;
  ASSERT_EQ(0u, PowerDuplicateScheme(nullptr, &kHighPerformance, &created));
  ASSERT_NE(nullptr, created);
  const GUID copy = *created;
  EXPECT_EQ(nullptr, LocalFree(created)) << "the new GUID is a LocalAlloc buffer";
  EXPECT_FALSE(IsEqualGUID(kHighPerformance, copy));
  EXPECT_EQ(L"High performance", FriendlyName(copy));
  DWORD ac = 0, dc = 0;
  ASSERT_EQ(0u, PowerReadACValueIndex(nullptr, &copy, &kVideoSubgroup, &kVideoPowerdown, &ac));
  ASSERT_EQ(0u, PowerReadDCValueIndex(nullptr, &copy, &kVideoSubgroup, &kVideoPowerdown, &dc));
  EXPECT_EQ(900u, ac);
  EXPECT_EQ(600u, dc);
  const std::vector<GUID> schemes = Schemes();
  ASSERT_EQ(4u, schemes.size());
  EXPECT_TRUE(IsEqualGUID(copy, schemes[3])) << "a new scheme is listed last";

  const GUID unknown = ParseGuid("01234567-89ab-cdef-0123-456789abcdef");
  created = nullptr;
  EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), PowerDuplicateScheme(nullptr, &unknown, &created));
  EXPECT_EQ(nullptr, created);
  EXPECT_EQ(4u, Schemes().size());
}

TEST_F(PowerDouble, ValueIndexesAreKeptPerSchemeSettingAndPowerSource) {
  GUID* created = nullptr;
  ASSERT_EQ(0u, PowerDuplicateScheme(nullptr, &kBalanced, &created));
  const GUID copy = *created;
  LocalFree(created);
  ASSERT_EQ(0u, PowerWriteACValueIndex(nullptr, &copy, &kVideoSubgroup, &kVideoPowerdown, 77));
  DWORD value = 0;
  EXPECT_EQ(0u, PowerReadACValueIndex(nullptr, &copy, &kVideoSubgroup, &kVideoPowerdown, &value));
  EXPECT_EQ(77u, value);
  EXPECT_EQ(0u, PowerReadDCValueIndex(nullptr, &copy, &kVideoSubgroup, &kVideoPowerdown, &value));
  EXPECT_EQ(300u, value) << "DC kept Balanced's value";
  EXPECT_EQ(0u,
            PowerReadACValueIndex(nullptr, &kBalanced, &kVideoSubgroup, &kVideoPowerdown, &value));
  EXPECT_EQ(600u, value) << "the source is untouched";
  // Subgroup and setting swapped address nothing.
  EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND),
            PowerReadACValueIndex(nullptr, &copy, &kVideoPowerdown, &kVideoSubgroup, &value));
}

TEST_F(PowerDouble, ActiveSchemeMustExistAndCannotBeDeleted) {
  const GUID unknown = ParseGuid("01234567-89ab-cdef-0123-456789abcdef");
  EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), PowerSetActiveScheme(nullptr, &unknown));
  EXPECT_TRUE(IsEqualGUID(kBalanced, ActiveScheme()));
  EXPECT_EQ(0u, PowerSetActiveScheme(nullptr, &kPowerSaver));
  EXPECT_TRUE(IsEqualGUID(kPowerSaver, ActiveScheme()));
  EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), PowerDeleteScheme(nullptr, &kPowerSaver));
  EXPECT_EQ(0u, PowerDeleteScheme(nullptr, &kHighPerformance));
  EXPECT_EQ(2u, Schemes().size());
}

TEST_F(PowerDouble, KnobsFailEachFunctionWithoutSideEffects) {
  testkit::SetKnob("powrprof", "PowerDuplicateSchemeFail", ERROR_NOT_ENOUGH_MEMORY);
  testkit::SetKnob("powrprof", "PowerSetActiveSchemeFail", ERROR_ACCESS_DENIED);
  testkit::SetKnob("powrprof", "PowerGetActiveSchemeFail", ERROR_GEN_FAILURE);
  GUID* created = nullptr;
  EXPECT_EQ(DWORD(ERROR_NOT_ENOUGH_MEMORY), PowerDuplicateScheme(nullptr, &kBalanced, &created));
  EXPECT_EQ(nullptr, created);
  EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), PowerSetActiveScheme(nullptr, &kPowerSaver));
  GUID* active = nullptr;
  EXPECT_EQ(DWORD(ERROR_GEN_FAILURE), PowerGetActiveScheme(nullptr, &active));
  EXPECT_EQ(nullptr, active);
  testkit::ClearKnobs();
  EXPECT_EQ(3u, Schemes().size());
  EXPECT_TRUE(IsEqualGUID(kBalanced, ActiveScheme()));
  EXPECT_EQ(1u, PowerCalls("PowerDuplicateScheme(").size()) << "failed calls are journalled too";
}

TEST_F(PowerDouble, FunctionsItDoesNotFakeStillReachWine) {
  // Forwarded to Wine's own powrprof: answers instead of ending the process.
  SYSTEM_POWER_CAPABILITIES caps;
  GetPwrCapabilities(&caps);
  EXPECT_NE(nullptr, GetProcAddress(GetModuleHandleW(L"powrprof.dll"), "CallNtPowerInformation"));
  EXPECT_NE(nullptr, GetModuleHandleW(L"wine_powrprof.dll"));
}

}  // namespace
}  // namespace power
