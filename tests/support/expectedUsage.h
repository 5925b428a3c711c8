// The usage texts the tools must show, written out character for character once, for the unit
// tests of the dispatchers and the end-to-end tests of the programs alike.
#pragma once

#include <string>

namespace volmora::testing {

inline const std::wstring expectedClassUsage =
    L"Usage:\tbindObject /?\r\n"
    L"\tbindObject [/s] progid clsid javaclassname jvmid [serverid]\r\n"
    L"\tbindObject /u [/s] progid\r\n"
    L"\tbindObject /l\r\n"
    L"\r\n"
    L"    /?            \tprint out this help\r\n"
    L"    /s            \tsilent mode\r\n"
    L"    /u            \tunregister the specified class\r\n"
    L"    /l            \tlist all registered classes\r\n"
    L"    progid        \tProgID\r\n"
    L"    clsid         \tCLSID\r\n"
    L"    javaclassname \tJava class name\r\n"
    L"    jvmid         \tjvm identifier\r\n"
    L"    serverid      \toptional server identifier\r\n"
    L"\r\n"
    L"Examples:\r\n"
    L"\r\n"
    L"    bindObject MyServer.CoolService {B036ABD6-EE02-4d8e-8D67-186DFEE9A903}\r\n"
    L"        com.tamsiver.myserver.CoolService MyJVM\r\n"
    L"    bindObject ServerA.NeatService {2E2311DB-9D64-4cc0-9837-CD6B5F0FBF38}\r\n"
    L"        com.tamsiver.serverA.NeatService MyJVM ServerA";

inline const std::wstring expectedServerUsage =
    L"Usage:\tbindHost /?\r\n"
    L"\tbindHost [/s] serverid classpath [imports ...]\r\n"
    L"\tbindHost /u [/s] serverid\r\n"
    L"\tbindHost /l\r\n"
    L"\r\n"
    L"    /?            \tprint out this help\r\n"
    L"    /s            \tsilent mode\r\n"
    L"    /u            \tunregister the specified server\r\n"
    L"    /l            \tlist all registered servers\r\n"
    L"    serverid      \tserver identifier\r\n"
    L"    classpath     \tclasspath\r\n"
    L"    imports       \toptional imported server identifiers\r\n"
    L"\r\n"
    L"Example:\r\n"
    L"\r\n"
    L"    bindHost ServerA C:\\ServerA\\ServerA.jar ServerB ServerC";

inline const std::wstring expectedJvmUsage =
    L"Usage:\tbindRuntime /?\r\n"
    L"\tbindRuntime [/s] jvmid jvmdllpath jvmoptions ...\r\n"
    L"\tbindRuntime /u [/s] jvmid\r\n"
    L"\tbindRuntime /l\r\n"
    L"\r\n"
    L"    /?            \tprint out this help\r\n"
    L"    /s            \tsilent mode\r\n"
    L"    /u            \tunregister the specified JVM\r\n"
    L"    /l            \tlist all registered JVMs\r\n"
    L"    jvmid         \tJVM identifier\r\n"
    L"    jvmdllpath    \tpath of jvm.dll\r\n"
    L"    jvmoptions    \toptions to use when JVM is created\r\n"
    L"\r\n"
    L"Example:\r\n"
    L"\r\n"
    L"    bindRuntime MyJVM C:\\jdk1.3\\jre\\bin\\hotspot\\jvm.dll\r\n"
    L"        -Djava.class.path=C:\\MyServer\\MyServer.jar;C:\\VOLM\\lib\\VOLM.jar";

inline const std::wstring expectedTypeLibUsage =
    L"Usage:\tbindSchema /?\r\n"
    L"\tbindSchema [/s] typelib\r\n"
    L"\tbindSchema /u [/s] typelib\r\n"
    L"\r\n"
    L"    /?            \tprint out this help\r\n"
    L"    /s            \tsilent mode\r\n"
    L"    /u            \tunregister the type library\r\n"
    L"    typelib       \ttype library\r\n"
    L"\r\n"
    L"Example:\r\n"
    L"\r\n"
    L"    bindSchema C:\\MyServer\\MyServer.tlb";

}  // namespace volmora::testing
