// Peer: Boost.PropertyTree reads the INFO file into a ptree and writes it back.
#include <boost/property_tree/info_parser.hpp>
#include <boost/property_tree/ptree.hpp>
#include <cstdio>
#include <exception>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: peer_ptree_info INPUT OUTPUT\n");
    return 2;
  }
  try {
    boost::property_tree::ptree tree;
    boost::property_tree::read_info(argv[1], tree);
    boost::property_tree::write_info(argv[2], tree);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "peer_ptree_info: %s\n", e.what());
    return 1;
  }
  return 0;
}
