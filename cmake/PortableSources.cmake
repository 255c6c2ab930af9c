set(PENDRIX_PORTABLE_SOURCES
  src/core/BoundedString.cpp
  src/core/SplitString.cpp
  src/core/CommandLine.cpp
  src/install/MsiSwitch.cpp
)
