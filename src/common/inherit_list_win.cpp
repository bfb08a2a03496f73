#include "common/inherit_list_win.hpp"

#include "common/system_error_win.hpp"

namespace velmora {

Result<std::unique_ptr<InheritList>> InheritList::create(std::vector<HANDLE> handles) {
    auto list = std::unique_ptr<InheritList>(new InheritList(std::move(handles)));
    SIZE_T size = 0;
    ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    list->storage_ = std::make_unique<std::byte[]>(size);
    if (!::InitializeProcThreadAttributeList(list->get(), 1, 0, &size))
        return last_system_error();
    list->initialized_ = true;
    if (!::UpdateProcThreadAttribute(list->get(), 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST,
                                     list->handles_.data(), list->handles_.size() * sizeof(HANDLE),
                                     nullptr, nullptr))
        return last_system_error();
    return list;
}

InheritList::~InheritList() {
    if (initialized_)
        ::DeleteProcThreadAttributeList(get());
}

} // namespace velmora
