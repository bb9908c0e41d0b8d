// Reference-counted base of the toolkit's objects: whoever stores a pointer holds a reference.
#pragma once
#include <cstdint>

namespace Toolkit {

class CBaseObject {
public:
  CBaseObject() = default;
  CBaseObject(const CBaseObject&) = delete;
  CBaseObject& operator=(const CBaseObject&) = delete;
  virtual ~CBaseObject() = default;

  virtual void release() {
    if (--refCount_ == 0) delete this;
  }
  virtual void retain() { ++refCount_; }
  virtual int32_t notify(CBaseObject* /*sender*/, const char* /*message*/) { return 0; }
  int32_t refCount() const { return refCount_; }

private:
  int32_t refCount_ = 1;
};

}  // namespace Toolkit
