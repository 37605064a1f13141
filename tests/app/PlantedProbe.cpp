// A DLL that lies beside the test program, as a planted DLL lies beside an installer in a downloads folder.
extern "C" __declspec(dllexport) int PlantedProbe() {
    return 1;
}
