#pragma once
// Asio and Beast for the transport. Boost 1.74's Asio uses std::exchange without including
// <utility>, which C++20 headers no longer pull in for it.

// clang-format off
#include <utility>
// clang-format on
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/ssl/context.hpp>
#include <boost/asio/ssl/stream.hpp>
#include <boost/asio/steady_timer.hpp>
