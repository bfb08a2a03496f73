#include "web_serve_win.hpp"

#include "web_url.hpp"

#include "common/path.hpp"
#include "common/system_queries_win.hpp"
#include "common/text_win.hpp"
#include "support/file_io_win.hpp"

#include <algorithm>
#include <vector>

namespace velmora {

namespace {

Status copy_prefix(HANDLE source, HANDLE target, std::uint64_t limit) {
    std::vector<unsigned char> buffer(1 << 20);
    while (limit > 0) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(limit, buffer.size()));
        auto read = read_some(source, std::span(buffer.data(), want));
        if (!read)
            return std::move(read).error();
        if (*read == 0)
            break;
        if (auto written = write_all(target, Bytes(buffer.data(), *read)); !written)
            return written;
        limit -= *read;
    }
    return {};
}

} // namespace

ServeResult serve_url(const std::string& url, const std::string& destination,
                      const std::optional<Rule>& rule) {
    const auto relative = web_relative_path(url);
    if (const auto* fault = std::get_if<UrlFault>(&relative))
        return *fault == UrlFault::unsupported_scheme ? ServeResult::unsupported_scheme
                                                      : ServeResult::malformed;
    if (rule && rule->action == RuleAction::status)
        return ServeResult::http_error;
    const auto root = environment_variable(L"VELMORA_STANDIN_WEB_ROOT");
    if (!root)
        return ServeResult::no_web_root;
    const std::string path = join_path(narrow(*root), std::get<std::string>(relative));
    if (is_directory(path))
        return ServeResult::http_error;
    auto source = open_for_reading(path);
    if (!source)
        return ServeResult::http_error;
    auto target = create_for_writing(destination);
    if (!target)
        return ServeResult::write_failed;
    const std::uint64_t limit =
        rule && rule->action == RuleAction::short_body ? rule->number : UINT64_MAX;
    if (!copy_prefix(source->get(), target->get(), limit))
        return ServeResult::write_failed;
    return ServeResult::served;
}

} // namespace velmora
