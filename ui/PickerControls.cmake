# The drive and directory picker: DriveComboBox1 and DirectoryListBox1 with their path rules and icons.
# The resource script travels with the library to every program that links it (a resource object in a static
# library would never be pulled in by the linker).
add_library(picker_controls STATIC
    ${CMAKE_CURRENT_LIST_DIR}/DirectoryListBox.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DriveComboBox.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PickerControl.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PickerDrives.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PickerIcons.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PickerPaths.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PickerSystem.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PickerTypeAhead.cpp)
quibel_options(picker_controls)
# Imports only KnownDLLs (user32, gdi32, kernel32): mpr comes through SystemLibrary at run time.
target_link_libraries(picker_controls PUBLIC payload_core installer_shell user32 gdi32)
target_sources(picker_controls INTERFACE ${CMAKE_CURRENT_LIST_DIR}/picker.rc)
set_property(SOURCE ${CMAKE_CURRENT_LIST_DIR}/picker.rc APPEND PROPERTY OBJECT_DEPENDS
    ${PROJECT_SOURCE_DIR}/assets/icons/floppy.bmp ${PROJECT_SOURCE_DIR}/assets/icons/hard.bmp
    ${PROJECT_SOURCE_DIR}/assets/icons/network.bmp ${PROJECT_SOURCE_DIR}/assets/icons/cdrom.bmp
    ${PROJECT_SOURCE_DIR}/assets/icons/ram.bmp ${PROJECT_SOURCE_DIR}/assets/icons/openfolder.bmp
    ${PROJECT_SOURCE_DIR}/assets/icons/currentfolder.bmp ${PROJECT_SOURCE_DIR}/assets/icons/closedfolder.bmp)
