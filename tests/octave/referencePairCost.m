function [cost, alpha] = referencePairCost(I, F, B, P, M, Q, sF, sB, w)
%REFERENCEPAIRCOST Cost and alpha of one pair, written out from the formula.
  D = F - B;
  denom = D(1) * D(1) + D(2) * D(2) + D(3) * D(3);
  if denom == 0
    cost = 3.4028234663852886e38; alpha = 0;
    return;
  end
  alpha = ((I(1) - B(1)) * D(1) + (I(2) - B(2)) * D(2) + (I(3) - B(3)) * D(3)) / denom;
  e = I - ((1 - alpha) * B + alpha * F);
  colourDist = sqrt(e(1) * e(1) + e(2) * e(2) + e(3) * e(3));
  dF = sqrt((P(1) - M(1))^2 + (P(2) - M(2))^2);
  dB = sqrt((P(1) - Q(1))^2 + (P(2) - Q(2))^2);
  cost = dB / sB + (w * colourDist + dF / sF);
end
