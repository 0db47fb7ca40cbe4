// The small-call floor: a bare server of the HTTP library the application server uses,
// answering every POST with the bytes of a file, with the same socket settings and the same
// number of workers. Prints its port on the first line of its output, then serves until killed.
//
//   bareserver <answer-file> <workers>

#include <cstdio>
#include <fstream>
#include <httplib.h>
#include <iterator>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: bareserver <answer-file> <workers>\n");
        return 2;
    }
    std::ifstream file(argv[1], std::ios::binary);
    const std::string answer{std::istreambuf_iterator<char>(file), {}};
    const size_t workers = size_t(std::stoul(argv[2]));
    httplib::Server server;
    server.new_task_queue = [workers] { return new httplib::ThreadPool(workers); };
    server.set_tcp_nodelay(true);
    server.set_keep_alive_timeout(2);
    server.set_keep_alive_max_count(1000);
    server.Post(R"(/([^/]+)/([^/]+))", [&answer](const httplib::Request&, httplib::Response& res) {
        res.set_content(answer, "application/json");
    });
    const int port = server.bind_to_any_port("127.0.0.1");
    if (port <= 0)
        return 1;
    std::printf("%d\n", port);
    std::fflush(stdout);
    return server.listen_after_bind() ? 0 : 1;
}
