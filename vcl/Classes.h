// The component model: TObject, TPersistent with assignment, and TComponent
// with owner, name and owned components.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "vcl/System.h"

namespace vcl {

class TObject;

// The common event: fired with the object that fires it.
using TNotifyEvent = std::function<void(TObject* Sender)>;

class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = default;
    TObject& operator=(const TObject&) = default;
    virtual ~TObject() = default;

    // The class name without namespaces, e.g. "TStringArray".
    std::string ClassName() const;
};

// An object whose state can be copied from another with Assign.
class TPersistent : public TObject {
public:
    // Copies the state of Source. The default asks Source to assign itself to
    // this object through AssignTo; a class that knows Source overrides it.
    virtual void Assign(const TPersistent* Source);

protected:
    // Copies this object's state into Dest. The default raises EConvertError
    // "Cannot assign a X to a Y".
    virtual void AssignTo(TPersistent& Dest) const;

private:
    [[noreturn]] static void AssignError(const TPersistent* Source, const TPersistent& Dest);
};

enum class TOperation : uint8_t { opInsert, opRemove };

// States of a component.
struct TComponentState {
    bool Loading = false;
    bool Designing = false;
    bool Destroying = false;
};

// A component has an owner (or none) that destroys it, a name unique among its
// owner's components, and an integer tag. Create one with new and an owner; the
// owner deletes it, or delete it yourself (it then leaves its owner).
class TComponent : public TPersistent {
public:
    explicit TComponent(TComponent* AOwner);
    ~TComponent() override;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    TComponent* GetOwner() const noexcept { return owner_; }
    const std::string& GetName() const noexcept { return name_; }
    // Raises EComponentError when a sibling already has the name (compared
    // without regard to ASCII case) or the name is not an identifier.
    virtual void SetName(const std::string& NewName);
    intptr_t GetTag() const noexcept { return tag_; }
    void SetTag(intptr_t t) noexcept { tag_ = t; }

    int GetComponentCount() const noexcept { return static_cast<int>(components_.size()); }
    // Owned components by zero-based index; nullptr outside the range.
    TComponent* GetComponent(int Index) const noexcept;
    TComponent* FindComponent(const std::string& AName) const noexcept;

    // Takes AComponent over from its current owner.
    void InsertComponent(TComponent* AComponent);
    // Releases AComponent without destroying it; it then has no owner.
    void RemoveComponent(TComponent* AComponent);
    // Destroys every owned component, the last first.
    void DestroyComponents();

    // Links two components that refer to each other without owning: when
    // either is destroyed, the other receives Notification(it, opRemove)
    // and can forget its pointer. Linking twice is harmless.
    void FreeNotification(TComponent* AComponent);
    void RemoveFreeNotification(TComponent* AComponent);

    const TComponentState& GetComponentState() const noexcept { return state_; }
    void SetDesigning(bool d) noexcept { state_.Designing = d; }

    // Loading: property writes between BeginLoading and EndLoading are stored
    // as they come; EndLoading clears the state and calls Loaded once.
    void BeginLoading() noexcept { state_.Loading = true; }
    void EndLoading();

protected:
    virtual void Loaded() {}
    // Called on the owner when a component is inserted or removed.
    virtual void Notification(TComponent* AComponent, TOperation Operation);

private:
    TComponent* owner_ = nullptr;
    std::vector<TComponent*> components_;
    std::vector<TComponent*> freeNotifies_;
    std::string name_;
    intptr_t tag_ = 0;
    TComponentState state_;
};

} // namespace vcl
