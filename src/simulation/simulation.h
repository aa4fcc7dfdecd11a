#pragma once
// The simulation part of the document: the axis angles and initial sightings, and the ideal
// (from the coordinates) or mean (from the readings) value of every observation.

#include "model/network_document.h"

namespace kivo {

class Simulation : public NetworkDocument {
public:
    // ---- Angles and orientation -------------------------------------------------------------
    void CalcAxisOrient();
    void CalcTheoLocation();

    // ---- Ideal observations ---------------------------------------------------------------
    void CalcTheoAngle(int theo1, int theo2, double& horzAngle, double& vertAngle) const;
    void CalcPointAngle(int theo, int point, double& horzAngle, double& vertAngle) const;
    void CalcSBarAngle(int theo, int sbar, double sbarlen, double azimuth, double vertAngle,
                       double& horzAngle1, double& vertAngle1, double& horzAngle2, double& vertAngle2) const;
    void CalcDistance(int theo, int point, double& dist) const;
    void CalcPtDistance(int source, int target, double& dist) const;
    void CalcHeight(int theo, int point, double& height) const;
    void CalcPtHeight(int source, int target, double& height) const;
    void CalcAllTheoAngles();
    void CalcAllPointAngles();
    void CalcAllSBarAngles();
    void CalcAllDistances();
    void CalcAllHeights();

    // ---- Mean observations ----------------------------------------------------------------
    bool CalcMeanTheoAngle(int theo1, int theo2, double& horzAngle, double& vertAngle) const;
    bool CalcMeanPointAngle(int theo, int point, double& horzAngle, double& vertAngle) const;
    bool CalcMeanSBarAngle(int theo, int sbar, double& horzAngle1, double& vertAngle1, double& horzAngle2,
                           double& vertAngle2) const;
    bool CalcMeanDistance(int theo, int point, double& dist) const;
    bool CalcMeanHeight(int theo, int point, double& height) const;
    bool CalcMeanPtDistance(int source, int target, double& dist) const;
    bool CalcMeanPtHeight(int source, int target, double& height) const;
    void CalcAllMeanTheoAngles();
    void CalcAllMeanPointAngles();
    void CalcAllMeanSBarAngles();
    void CalcAllMeanDistances();
    void CalcAllMeanHeights();
    // CalcAxisOrient, CalcTheoLocation and the ideal or mean computations, as every run does.
    void RunSimulation();

    void CmSimulate();

protected:
    using NetworkDocument::NetworkDocument;
};

} // namespace kivo
