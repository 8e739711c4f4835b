// The process-wide registries that carry results and changed records between MDI windows, the
// window contract those windows implement, and the small types host and plugins share.
#pragma once

#include "platform/rtl/enum_info.h"
#include "platform/rtl/export.h"
#include "platform/rtl/reflection.h"
#include "services/singleton.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zarix {

/// Which window a lookup returns: the nearest matching ancestor, the first matching
/// descendant, or the last matching window of all.
ZARIX_ENUM(TAskMode, askTop, askBottom, askAll)
/// How a new MDI window is placed.
ZARIX_ENUM(TFormAlign, alNotAligned, alCascade, alRightTop)

using TArrayInt = std::vector<int32_t>;
using TArrayString = std::vector<std::string>;

/// An interface identifier in its stored byte order: the first three groups little-endian,
/// the last eight bytes as written.
struct TGUID {
    std::array<uint8_t, 16> Bytes{};
    bool operator==(const TGUID&) const = default;
};

/// The text form "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper-case hexadecimal.
ZARIX_API std::string GUIDToString(const TGUID& Guid);

inline constexpr TGUID IID_IMDIInterface{{0xcb, 0x73, 0x9a, 0x00, 0xef, 0x16, 0x8e, 0x42,
                                          0x9f, 0x11, 0x88, 0xef, 0xf0, 0x7c, 0x3b, 0x4a}};
inline constexpr std::string_view IID_IMDIInterfaceText = "{009A73CB-16EF-428E-9F11-88EFF07C3B4A}";

/// The contract of every window registered in the MDI container. A form implements it by
/// deriving from it beside its form class; the container finds it with QueryMDIInterface.
class ZARIX_API IMDIInterface {
public:
    /// Re-read the window's data; ModifiedObjects() lists what changed while this runs.
    virtual void MDIRefresh() = 0;
    /// The parent window Name wants to close: false refuses, and Msg may say why.
    virtual bool MDICanClose(const std::string& Name, int32_t OrigId, std::string& Msg) = 0;
    /// The parent window, of class AClassName, is closing.
    virtual void MDIParentClosing(const std::string& AClassName, int32_t OrigId) = 0;
    /// Take the waiting results from MDIResult(); AClassName and OrigId name the window that
    /// produced them, or are "" and 0.
    virtual void MDIReceiveResult(const std::string& AClassName, int32_t OrigId) = 0;

protected:
    IMDIInterface() = default;
    IMDIInterface(const IMDIInterface&) = default;
    IMDIInterface& operator=(const IMDIInterface&) = default;
    // Protected: a window is freed through its owner, never through this interface. Defined
    // out of line so the type information lives in the shared library alone and a plugin's
    // window is recognised by the host's container.
    virtual ~IMDIInterface();
};

/// The window contract of Obj, or nullptr when Obj is nullptr or does not implement it.
ZARIX_API IMDIInterface* QueryMDIInterface(TObject* Obj) noexcept;
/// The window contract of Obj; raises EIntfCastError "Interface not supported" when Obj is
/// nullptr or does not implement it.
ZARIX_API IMDIInterface& GetMDIInterface(TObject* Obj);

/// One named result. Param_Set is its kind: 0 none, 1 integer or integer array, 2 long
/// integer, 3 text, 4 number, 5 object.
struct TResults {
    std::string Param_Name;
    int32_t Param_Value_Int = 0;
    TArrayInt Param_Value_ArrayInt;
    int32_t Param_Value_Longint = 0;
    std::string Param_Value_String;
    double Param_Value_Numeric = 0.0;
    int32_t Param_Set = 0;
    TObject* Param_Value_Object = nullptr;   // not owned
};

/// Named results a finishing window leaves for the window that opened it. Holds at most 16
/// entries between clears; every addition appends, and a lookup returns the value of the last
/// entry of its kind whose name matches with only a to z compared without regard to case.
/// Integers and integer arrays share one kind, and every addition starts from the working
/// record the previous one left (clearing keeps it), so IntValueByName of a name added only
/// as an array gives the latest integer added before it.
/// A 17th addition before a clear is refused: it is reported through ZarixExceptionHandler
/// as an EListError under the operation's name ("TMDIResults.AddIntValue", ...), and neither
/// the entries, Count nor the working record change.
class ZARIX_API TMDIResults : public TSingleton {
    ZARIX_CLASS(TMDIResults, TSingleton)
    ~TMDIResults() override;

    static constexpr int32_t Capacity = 16;

    void AddIntValue(const std::string& Name, int32_t Value);
    /// Stores its own copy of Value.
    void AddArrayIntValue(const std::string& Name, const TArrayInt& Value);
    void AddLongIntValue(const std::string& Name, int32_t Value);
    void AddStringValue(const std::string& Name, const std::string& Value);
    void AddNumericValue(const std::string& Name, double Value);
    /// The registry does not own Obj: keep it alive until the registry has been cleared.
    void AddObjectByName(const std::string& Name, TObject* Obj);

    /// The lookups answer 0, an empty array, "", 0.0, nullptr or false when the name has no
    /// entry of their kind.
    int32_t IntValueByName(const std::string& Name) const;
    /// A copy: changing it leaves the entry as it was.
    TArrayInt ArrayIntValueByName(const std::string& Name) const;
    int32_t LongIntValueByName(const std::string& Name) const;
    std::string StringValueByName(const std::string& Name) const;
    /// Whether Name was added with AddStringValue.
    bool IsStringValue(const std::string& Name) const;
    double NumericValueByName(const std::string& Name) const;
    TObject* ObjectByName(const std::string& Name) const;

    /// Empties the registry; objects of object entries are neither freed nor told.
    void ClearMDIResults();
    /// Entries added since the instance was made or last cleared.
    int32_t Count() const noexcept { return ilosc; }

protected:
    void CreateSingleton() override;

    /// The 16 entries; those from Count on have kind 0.
    std::vector<TResults> ValueList;
    /// The working record: each addition changes it and appends a copy of it.
    TResults Value;

private:
    friend class TSingleton;
    TMDIResults();
    template <class Fill>
    void Add(const char* Operation, const std::string& Name, int32_t Kind, Fill fill);
    const TResults* LastMatch(const std::string& Name, int32_t Kind) const noexcept;

    int32_t ilosc = 0;   // "how many": the entries added since the last clear
};

/// The one results registry of the process, created on first use.
ZARIX_API TMDIResults& MDIResult();

/// One changed record: the table and the identifier of the record changed last in it.
struct TModifiedObject {
    std::string TableName;
    int32_t OrigId = 0;
    bool IsSet = false;
};

/// The records saved since the last refresh of the windows: one entry per table name (case
/// matters), in the order the tables were first recorded, at most 16. A 17th table is dropped
/// without a word; the windows then refresh without knowing that one table changed.
class ZARIX_API TModifiedObjects : public TSingleton {
    ZARIX_CLASS(TModifiedObjects, TSingleton)
    ~TModifiedObjects() override;

    static constexpr int32_t Capacity = 16;

    /// Records OrigId as the latest change of TableName, replacing the one recorded before.
    /// Never raises: a failure is reported as "TModifiedObjects.AddModifiedObject". Returns 0.
    int32_t AddModifiedObject(const std::string& TableName, int32_t OrigId);
    /// Entry Index's table name, or "" when Index lies outside 0 to Count - 1.
    std::string GetModifiedTableName(int32_t Index) const;
    /// Entry Index's identifier, or 0 when Index lies outside 0 to Count - 1.
    int32_t GetModifiedOrigIdValue(int32_t Index) const noexcept;
    void ClearModifiedObjects() noexcept;
    int32_t Count() const noexcept { return ilosc; }

protected:
    void CreateSingleton() override;

private:
    friend class TSingleton;
    TModifiedObjects();
    const TModifiedObject* InUse(int32_t Index) const noexcept;

    int32_t ilosc = 0;
    std::vector<TModifiedObject> ModifiedValues;
};

/// The one modified-objects registry of the process, created on first use.
ZARIX_API TModifiedObjects& ModifiedObjects();

/// The two registries for code that reads them as variables. Each is set when its singleton
/// is created, however it is first asked for, and reset to nullptr when it is destroyed at
/// process end; nullptr until then. Use the accessors to create them; do not assign these.
/// C linkage, so the library exports them under these plain names for hosts that look them up.
extern "C" ZARIX_API TMDIResults* fMDIResult;
extern "C" ZARIX_API TModifiedObjects* fModifiedObject;

}  // namespace zarix
