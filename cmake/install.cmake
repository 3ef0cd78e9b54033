# cmake --install: the library (its four static parts and the one header) with a
# package file for find_package(pairseek), and the command when it is built.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)
install(TARGETS pairseekMatte pairseekRefine pairseekCutout pairseekCore
        EXPORT pairseekTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        PUBLIC_HEADER DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT pairseekTargets NAMESPACE pairseek:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/pairseek
        FILE pairseekConfig.cmake)
