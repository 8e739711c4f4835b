// Lists of the platform: a list of object references and string lists with objects.
#pragma once

#include "platform/rtl/export.h"
#include "platform/rtl/component.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zarix {

/// An ordered list of untyped references; positions out of range raise EListError.
class ZARIX_API TList : public TObject {
    ZARIX_CLASS(TList, TObject)
    TList();
    ~TList() override;

    int Count() const noexcept { return static_cast<int>(FItems.size()); }
    void* Items(int Index) const;
    void SetItems(int Index, void* Item);
    int Add(void* Item);
    void Insert(int Index, void* Item);
    void Delete(int Index);
    /// Removes the first occurrence; returns its former position or -1.
    int Remove(const void* Item);
    int IndexOf(const void* Item) const noexcept;
    void Move(int CurIndex, int NewIndex);
    void Clear() noexcept { FItems.clear(); }
    /// Room for Value items without growing again; never less than Count.
    int Capacity() const noexcept { return static_cast<int>(FItems.capacity()); }
    void SetCapacity(int Value);

private:
    void Check(int Index) const;
    std::vector<void*> FItems;
};

/// An ordered list of strings, each with an optional object reference (not owned).
class ZARIX_API TStrings : public TPersistent {
    ZARIX_CLASS(TStrings, TPersistent)
    ~TStrings() override;

    virtual int Count() const = 0;
    virtual const std::string& Strings(int Index) const = 0;
    virtual void SetStrings(int Index, const std::string& S) = 0;
    virtual TObject* Objects(int Index) const = 0;
    virtual void SetObjects(int Index, TObject* Obj) = 0;
    virtual int AddObject(const std::string& S, TObject* Obj) = 0;
    virtual void Insert(int Index, const std::string& S) = 0;
    virtual void Delete(int Index) = 0;
    virtual void Clear() = 0;

    int Add(const std::string& S) { return AddObject(S, nullptr); }
    /// Position of the first string equal to S (case-sensitivity as the list defines), or -1.
    virtual int IndexOf(std::string_view S) const;
    int IndexOfObject(const TObject* Obj) const;
    /// The lines joined with "\n" after each.
    std::string Text() const;
    void Assign(const TPersistent* Source) override;

protected:
    virtual int Compare(std::string_view a, std::string_view b) const;
};

enum class TDuplicates : uint8_t { dupIgnore, dupAccept, dupError };

/// A string list with objects, optional sorting and duplicate control.
class ZARIX_API TStringList : public TStrings {
    ZARIX_CLASS(TStringList, TStrings)
    TStringList();
    ~TStringList() override;

    int Count() const override { return static_cast<int>(FItems.size()); }
    const std::string& Strings(int Index) const override;
    void SetStrings(int Index, const std::string& S) override;
    TObject* Objects(int Index) const override;
    void SetObjects(int Index, TObject* Obj) override;
    int AddObject(const std::string& S, TObject* Obj) override;
    void Insert(int Index, const std::string& S) override;
    void Delete(int Index) override;
    void Clear() override { FItems.clear(); }
    int IndexOf(std::string_view S) const override;

    /// Binary search in a sorted list: true when found, Index the position found or where S
    /// would be inserted.
    bool Find(std::string_view S, int& Index) const;
    /// Sorts by text. The sort is stable: entries with equal texts keep their order.
    void Sort();
    void CustomSort(const std::function<int(const TStringList&, int, int)>& Compare);

    bool Sorted() const noexcept { return FSorted; }
    void SetSorted(bool Value);
    bool CaseSensitive() const noexcept { return FCaseSensitive; }
    void SetCaseSensitive(bool Value);
    TDuplicates Duplicates() const noexcept { return FDuplicates; }
    void SetDuplicates(TDuplicates Value) noexcept { FDuplicates = Value; }

protected:
    int Compare(std::string_view a, std::string_view b) const override;

private:
    struct Item {
        std::string Text;
        TObject* Object = nullptr;
    };
    void Check(int Index) const;
    std::vector<Item> FItems;
    bool FSorted = false;
    bool FCaseSensitive = false;
    TDuplicates FDuplicates = TDuplicates::dupIgnore;
};

}  // namespace zarix
