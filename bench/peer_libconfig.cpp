// Peer: libconfig++ reads the file into its tree and writes it back.
#include <cstdio>
#include <libconfig.h++>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: peer_libconfig INPUT OUTPUT\n");
    return 2;
  }
  libconfig::Config config;
  try {
    config.readFile(argv[1]);
    config.writeFile(argv[2]);
  } catch (const libconfig::ParseException& e) {
    std::fprintf(stderr, "%s:%d: %s\n", e.getFile(), e.getLine(), e.getError());
    return 1;
  } catch (const libconfig::ConfigException& e) {
    std::fprintf(stderr, "peer_libconfig: %s\n", e.what());
    return 1;
  }
  return 0;
}
