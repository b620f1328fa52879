#pragma once

#include <cstdlib>
#include <memory>

// Owns a reply (or event) that xcb allocated with malloc.
struct XcbFree {
    void operator()(void* reply) const { std::free(reply); }
};

template <class Reply>
using XcbReply = std::unique_ptr<Reply, XcbFree>;
