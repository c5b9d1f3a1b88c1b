#include "vcl/Classes.h"

#include <algorithm>
#include <cxxabi.h>
#include <memory>
#include <typeinfo>

#include "vcl/Cp1252.h"

namespace vcl {

namespace {

std::string Demangle(const std::type_info& ti)
{
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> d(abi::__cxa_demangle(ti.name(), nullptr, nullptr, &status), std::free);
    std::string full = (status == 0 && d) ? d.get() : ti.name();
    auto colon = full.rfind("::");
    return colon == std::string::npos ? full : full.substr(colon + 2);
}

bool IsIdent(const std::string& s)
{
    if (s.empty()) return true; // an unnamed component
    auto alpha = [](unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
    if (!alpha(static_cast<unsigned char>(s[0]))) return false;
    return std::all_of(s.begin(), s.end(), [&](char c) {
        return alpha(static_cast<unsigned char>(c)) || (c >= '0' && c <= '9');
    });
}

} // namespace

std::string TObject::ClassName() const { return Demangle(typeid(*this)); }

void TPersistent::Assign(const TPersistent* Source)
{
    if (Source) {
        Source->AssignTo(*this);
        return;
    }
    AssignError(Source, *this);
}

void TPersistent::AssignTo(TPersistent& Dest) const { AssignError(this, Dest); }

void TPersistent::AssignError(const TPersistent* Source, const TPersistent& Dest)
{
    std::string src = Source ? Source->ClassName() : "nil";
    throw EConvertError("Cannot assign a " + src + " to a " + Dest.ClassName());
}

TComponent::TComponent(TComponent* AOwner)
{
    if (AOwner) AOwner->InsertComponent(this);
}

TComponent::~TComponent()
{
    state_.Destroying = true;
    // Linked components learn of the end first; each link is undone before
    // the call, so a handler that unlinks again finds nothing to do.
    while (!freeNotifies_.empty()) {
        TComponent* other = freeNotifies_.back();
        freeNotifies_.pop_back();
        std::erase(other->freeNotifies_, this);
        other->Notification(this, TOperation::opRemove);
    }
    DestroyComponents();
    if (owner_) owner_->RemoveComponent(this);
}

void TComponent::FreeNotification(TComponent* AComponent)
{
    if (!AComponent || AComponent == this) return;
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), AComponent) != freeNotifies_.end()) return;
    freeNotifies_.push_back(AComponent);
    AComponent->freeNotifies_.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent)
{
    if (!AComponent) return;
    std::erase(freeNotifies_, AComponent);
    std::erase(AComponent->freeNotifies_, this);
}

void TComponent::SetName(const std::string& NewName)
{
    if (NewName == name_) return;
    if (!IsIdent(NewName)) throw EComponentError("\"" + NewName + "\" is not a valid component name");
    if (owner_ && !NewName.empty()) {
        for (TComponent* c : owner_->components_)
            if (c != this && AsciiLowerCase(c->name_) == AsciiLowerCase(NewName))
                throw EComponentError("A component named " + NewName + " already exists");
    }
    name_ = NewName;
}

TComponent* TComponent::GetComponent(int Index) const noexcept
{
    if (Index < 0 || Index >= GetComponentCount()) return nullptr;
    return components_[static_cast<size_t>(Index)];
}

TComponent* TComponent::FindComponent(const std::string& AName) const noexcept
{
    if (AName.empty()) return nullptr;
    for (TComponent* c : components_)
        if (AsciiLowerCase(c->name_) == AsciiLowerCase(AName)) return c;
    return nullptr;
}

void TComponent::InsertComponent(TComponent* AComponent)
{
    if (!AComponent || AComponent->owner_ == this) return;
    if (AComponent->owner_) AComponent->owner_->RemoveComponent(AComponent);
    components_.push_back(AComponent);
    AComponent->owner_ = this;
    Notification(AComponent, TOperation::opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent)
{
    auto it = std::find(components_.begin(), components_.end(), AComponent);
    if (it == components_.end()) return;
    components_.erase(it);
    AComponent->owner_ = nullptr;
    Notification(AComponent, TOperation::opRemove);
}

void TComponent::DestroyComponents()
{
    // Each deleted component leaves the list itself; a destructor that frees
    // siblings is safe because the list is re-read every round.
    while (!components_.empty()) {
        TComponent* last = components_.back();
        RemoveComponent(last);
        delete last;
    }
}

void TComponent::EndLoading()
{
    if (!state_.Loading) return;
    state_.Loading = false;
    Loaded();
}

void TComponent::Notification(TComponent*, TOperation) {}

} // namespace vcl
