#pragma once
#include <string>

#include "core/failure.h"

namespace testing_support {

// The message a call fails with, or "" when it succeeds.
template <class Call>
std::string MessageOf(Call&& call) {
    try {
        call();
    } catch (const core::Failure& failure) {
        return failure.what();
    }
    return "";
}

}  // namespace testing_support
