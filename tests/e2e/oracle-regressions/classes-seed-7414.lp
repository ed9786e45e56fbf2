e0(3,4,3).
e0(3,0,1).
e0(4,3,4).
e0(1,4,0).
e0(4,0,1).
e0(3,0,2).
e1(3,3).
e1(4,1).
e1(2,0).
e1(2,1).
e1(1,1).
e1(2,3).
e1(2,3).
e2(3,0,3).
e2(1,2,4).
e2(3,1,1).
e2(1,2,1).
e2(2,1,0).
m_ma(3,2).
m_ma(1,2).
m_ma(4,4).
s_sb(3,3).
s_sb(4,1).
s_sb(0,2).
isa(4,k0).
isa(4,k0).
isa(0,k0).
sub(1,k0).
isa(1,k1).
sub(k0,k1).
cl(k0).
cl(k1).
subc(X,Y) :- sub(X,Y).
subc(X,Z) :- sub(X,Y), subc(Y,Z).
member(X,C) :- isa(X,C).
member(X,C) :- isa(X,D), subc(D,C).
#show member/2.
#show subc/2.
inh_f0(X,3) :- member(X,k0).
p1(V2,V2,V2) :- subc(1,k0), m_ma(V0,V1), V2 = V0 * 1, V2 <= 6, V2 >= 0.
p1(V3,4,V3) :- e2(V0,4,V1), e0(V0,V2,V3), s_sb(V0,V1), V1 >= 2, V4 = V0 - V1, V4 <= 6, V4 >= 0.
aux1(V0) :- V3 >= 2, V4 <= 6, e0(V0,V0,V1), e1(V0,V0), e0(3,V2,V3), V4 = V3 + 2, V4 >= 0.
p2(V3,V0,N1) :- V3 >= 0, V3 <= 6, e1(V0,V0), e2(V0,V0,V2), V3 = V2 * V0, inh_f0(V1,V1), aux1(_), N1 = #min{AGG : aux1(AGG)}, e0(N1,V3,V3).
p2(V0,V0,V0) :- V0 <= 2, s_sb(V0,V0).
p3(V3) :- member(V0,k1), member(V1,k0), p2(V0,V2,V3), V1 <= 3, V4 = V1 * 2, V4 <= 6, V4 >= 0.
p3(V0) :- m_ma(V0,V0), not e2(V0,2,V0), V0 <= V0.
p4(V0,V0,V3) :- p2(V0,V1,V2), p3(V3), not e0(3,_,V0).
p4(V0,V0,V0) :- s_sb(V0,3), not p1(V0,V0,0), V0 > 3, V1 = V0 - 2, V1 <= 6, V1 >= 0.
p4(V2,V0,V2) :- e0(V0,V1,V2), anyset(MV3,V1,V4), not member(V1,k0).
p3(V2) :- e0(V0,V1,V2), anyset(MV3,V1,V4), not member(V1,k0).
p5(V2) :- p4(V2,V1,V3), p0(V0,V1).
p5(V0) :- e0(2,V0,V0), V0 > 0, V1 = V0 * 1, V1 <= 6, V1 >= 0.
p5(V0) :- member(V0,k1), p5(V0).
isa(V0,k0) :- p1(V0,V0,V0), subc(V0,k0), subc(V0,k0), V0 <= 2.
isa(V0,k1) :- V0 > 0, p1(0,V0,V0), not p0(V1,V1), p3(V1).
isa(V2,k1) :- anyset(MV0,V1,V2), p2(V1,V2,V3), inh_f0(V1,V1), V2 > 4, V4 = V1 + 2, V4 <= 6, V4 >= 0.
isa(V3,k1) :- e0(V0,V1,V0), p4(V2,V3,V4), V5 = V1 + 2, V5 <= 6, V5 >= 0.
sub(V2,k1) :- inh_f0(V0,V1), not p2(V1,V0,V2), e2(V0,V2,V1).
sub(V2,k1) :- anyset(MV0,V1,V2), not s_sb(V1,_), V3 = V2 - 1, V3 <= 6, V3 >= 0.
aux2(V1) :- e1(V0,V1), p1(V0,V1,V0), not e2(V0,V1,0), V1 <= 1.
sub(N2,k1) :- V1 <= 6, V0 < 4, V1 >= 0, V1 = V0 * 1, member(V0,k0), N2 = #count{AGG : aux2(AGG)}.
isa(V0,C) :- subc(4,k0), e1(V0,V0), V0 <= V0, cl(C).
anyset(sb,X,Y) :- s_sb(X,Y).
#show e0/3.
#show e1/2.
#show e2/3.
#show m_ma/2.
#show s_sb/2.
#show p0/2.
#show p1/3.
#show p2/3.
#show p3/1.
#show p4/3.
#show p5/1.
